// The ownership protocol between real processes: creation, joining, lock-out, hand-over, dead processes.
#include "ChildProcess.h"

#include "assetdb/IpcController.h"
#include "engine/Log.h"
#include "engine/SharedMemory.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class IpcTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = temp_.path();
        path_ = root_ + "/assets.tdx";
    }

    // The block as another program sees it, to set the flags no process of ours sets.
    IPCBlock* AttachRaw(Nox::SharedMemory& memory)
    {
        std::string folder, mutexName, memoryName;
        EXPECT_TRUE(IPCController::DeriveNames(path_, folder, mutexName, memoryName));
        EXPECT_TRUE(memory.ProcessAttach(memoryName, sizeof(IPCBlock)));
        return static_cast<IPCBlock*>(memory.Data());
    }

    TempFolder temp_;
    std::string root_;
    std::string path_;
};

TEST(IpcNames, DerivedFromTheLowerCasedFolder)
{
    struct Case {
        const char* path;
        bool ok;
        const char* mutexName;
    } cases[] = {
        {"/Games/Velmar/ASSETS.TDX", true, "09731AC6-B611-4e2a-B181-578073F64F24/games/velmar"},
        {"C:\\Velmar\\assets.tdx", true, "09731AC6-B611-4e2a-B181-578073F64F24/c:/velmar"},
        {"/games/velmar/assets.tdx.bak", false, ""},
        {"/games/assets.tdx/x/assets.tdx", false, ""},  // the first occurrence must be the last
        {"assets.tdx", false, ""},
    };
    for (const Case& c : cases) {
        std::string folder, mutexName, memoryName;
        EXPECT_EQ(c.ok, IPCController::DeriveNames(c.path, folder, mutexName, memoryName)) << c.path;
        if (c.ok) {
            EXPECT_EQ(c.mutexName, mutexName) << c.path;
            EXPECT_EQ(std::string(c.mutexName) + "/-ipc2", memoryName) << c.path;
        }
    }
}

TEST_F(IpcTest, OpenFailsForWrongPathOrMissingFolder)
{
    IPCController ipc;
    EXPECT_FALSE(ipc.Open(root_ + "/assets.tdy", false));
    EXPECT_FALSE(ipc.Open(root_ + "/missing/assets.tdx", false));
    EXPECT_FALSE(ipc.IsOpen());
}

TEST_F(IpcTest, CreatorFillsTheBlockAndOnlyTheMasterLowersTheAttachCount)
{
    IPCController ipc;
    ASSERT_TRUE(ipc.Open(path_, false));
    ASSERT_TRUE(ipc.Open(path_, false));  // already open: returns at once
    IPCBlock b = ipc.Snapshot();
    EXPECT_EQ(getpid(), b.master);
    EXPECT_EQ(-1, b.owner);
    EXPECT_EQ(-1, b.requester);
    EXPECT_EQ(0, b.changeCounter);
    EXPECT_EQ(2, b.layoutVersion);
    EXPECT_EQ(1, b.attachCount);
    EXPECT_TRUE(ipc.IsMaster());

    pid_t joiner = child::Start([&] {
        IPCController other;
        if (!other.Open(path_, false) || other.IsMaster())
            return 1;
        int count = other.Snapshot().attachCount;
        other.Close();
        return count;
    });
    EXPECT_EQ(2, child::Wait(joiner));
    EXPECT_EQ(2, ipc.Snapshot().attachCount) << "a joiner that ends leaves the count as it is";
}

TEST_F(IpcTest, LockOutRefusesNewProcessesUnlessPatcherIsAllowed)
{
    IPCController ipc;
    ASSERT_TRUE(ipc.Open(path_, false));
    Nox::SharedMemory memory;
    IPCBlock* raw = AttachRaw(memory);
    raw->lockOut = 1;

    auto tryOpen = [&](bool patcher) {
        return child::Wait(child::Start([&] {
            IPCController other;
            return other.Open(path_, patcher) ? 0 : 1;
        }));
    };
    EXPECT_EQ(1, tryOpen(false));
    EXPECT_EQ(1, tryOpen(true));
    raw->patcherAllowed = 1;
    EXPECT_EQ(1, tryOpen(false));
    EXPECT_EQ(0, tryOpen(true));
}

TEST_F(IpcTest, OwnershipPassesToTheWaiterAfterRelease)
{
    IPCController ipc;
    ASSERT_TRUE(ipc.Open(path_, false));
    ASSERT_TRUE(ipc.TryAcquire(false));
    ipc.SnapshotCounter();

    child::Pipe registered;
    pid_t waiter = child::Start([&] {
        IPCController other;
        if (!other.Open(path_, false))
            return 1;
        other.SnapshotCounter();
        if (other.TryAcquire(true))
            return 2;  // must not get it while the parent owns it
        registered.Post();
        other.Acquire();
        return other.OwnedBySelf() && other.CounterChanged() ? 0 : 3;
    });
    ASSERT_TRUE(registered.Await());
    EXPECT_EQ(waiter, ipc.Snapshot().requester);
    EXPECT_TRUE(ipc.OtherWaiting());
    EXPECT_GT(ipc.ReleaseTimerMs(), 0u);
    ipc.BumpCounter();
    EXPECT_FALSE(ipc.CounterChanged());
    ipc.Release();
    EXPECT_EQ(0, child::Wait(waiter));
    EXPECT_FALSE(ipc.OtherWaiting());
    EXPECT_EQ(0u, ipc.ReleaseTimerMs());
}

TEST_F(IpcTest, SecondWaiterDoesNotReplaceTheRequester)
{
    IPCController ipc;
    ASSERT_TRUE(ipc.Open(path_, false));
    ASSERT_TRUE(ipc.TryAcquire(false));

    child::Pipe firstReady, secondDone;
    pid_t first = child::Start([&] {
        IPCController other;
        other.Open(path_, false);
        other.TryAcquire(true);
        firstReady.Post();
        pause();
        return 0;
    });
    ASSERT_TRUE(firstReady.Await());
    pid_t second = child::Start([&] {
        IPCController other;
        other.Open(path_, false);
        return other.TryAcquire(true) ? 1 : 0;
    });
    EXPECT_EQ(0, child::Wait(second));
    EXPECT_EQ(first, ipc.Snapshot().requester);
    child::Kill(first);
}

// A process killed while owning the database is cleared by the master's idle step and the waiter
// proceeds; whether the waiter or the dead process held the master role.
TEST_F(IpcTest, DeadOwnerIsClearedAndTheWaiterProceeds)
{
    for (bool waiterIsMaster : {true, false}) {
        SCOPED_TRACE(waiterIsMaster ? "waiter is master" : "dead owner was master");
        IPCController ipc;
        child::Pipe owning;
        pid_t owner = 0;
        if (waiterIsMaster) {
            ASSERT_TRUE(ipc.Open(path_, false));
        }
        owner = child::Start([&] {
            IPCController other;
            if (!other.Open(path_, false) || !other.TryAcquire(false))
                return 1;
            owning.Post();
            pause();
            return 0;
        });
        ASSERT_TRUE(owning.Await());
        if (!waiterIsMaster) {
            ASSERT_TRUE(ipc.Open(path_, false));
        }
        EXPECT_FALSE(ipc.TryAcquire(true));
        EXPECT_EQ(1009, child::Kill(owner));

        std::vector<std::string> lines;
        Nox::Log::SetObserver([&](int, std::string_view line) { lines.emplace_back(line); });
        ipc.Acquire();
        Nox::Log::SetObserver(nullptr);
        EXPECT_TRUE(ipc.OwnedBySelf());
        EXPECT_TRUE(ipc.IsMaster());
        std::string expected =
            "IPCIdle> clearing dead database owner (owner processID was " + std::to_string(owner) + ")";
        bool logged = false;
        for (const std::string& line : lines)
            logged = logged || line.find(expected) == 0;
        EXPECT_TRUE(logged);
        ipc.Close();
    }
}

TEST_F(IpcTest, DeadRequesterIsCleared)
{
    IPCController ipc;
    ASSERT_TRUE(ipc.Open(path_, false));
    ASSERT_TRUE(ipc.TryAcquire(false));
    child::Pipe registered;
    pid_t waiter = child::Start([&] {
        IPCController other;
        other.Open(path_, false);
        other.TryAcquire(true);
        registered.Post();
        pause();
        return 0;
    });
    ASSERT_TRUE(registered.Await());
    child::Kill(waiter);
    EXPECT_TRUE(ipc.OtherWaiting());
    ipc.IPCIdle();
    EXPECT_EQ(-1, ipc.Snapshot().requester);
    EXPECT_FALSE(ipc.OtherWaiting());
}

TEST_F(IpcTest, CloseGivesUpOwnershipAndTheMasterRole)
{
    IPCController ipc;
    ASSERT_TRUE(ipc.Open(path_, false));
    ASSERT_TRUE(ipc.TryAcquire(false));
    child::Pipe joined, closed;
    pid_t watcher = child::Start([&] {
        IPCController other;
        other.Open(path_, false);
        joined.Post();
        if (!closed.Await())
            return 1;
        IPCBlock b = other.Snapshot();
        if (b.owner != -1 || b.master != -1 || b.attachCount != 1)
            return 2;
        other.IPCIdle();  // the master is gone: this process takes the role
        return other.IsMaster() && other.Snapshot().master == getpid() ? 0 : 3;
    });
    ASSERT_TRUE(joined.Await());
    ipc.Close();
    closed.Post();
    EXPECT_EQ(0, child::Wait(watcher));
}

}  // namespace
