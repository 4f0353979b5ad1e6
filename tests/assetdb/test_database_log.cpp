// The database log: sections, closing rules, task mirroring, shutdown and the 1000-entry trim.
#include "app/results/ResultsLog.h"
#include "assetdb/DatabaseLog.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::vector<std::string> Texts(const std::vector<VLXLogEntry>& entries)
{
    std::vector<std::string> texts;
    for (const VLXLogEntry& e : entries)
        texts.push_back(e.text);
    return texts;
}

TEST(DatabaseLog, EntriesOfASectionMoveWithItWhenItCloses)
{
    VLXLog log;
    ResultsLog taskA, taskB;
    VLXLogEntryRef a = log.OpenTaskSection("A", taskA);
    VLXLogEntryRef b = log.OpenTaskSection("B", taskB);
    log.AddEntry(std::nullopt, a, "a1", 0);
    log.AddEntry(KUID(1, 2, 0), b, "b1", 1);
    log.AddEntry(std::nullopt, a, "a2", 0);
    log.AddEntry(std::nullopt, nullptr, "top", 0);
    // Sub-entries stay with their own section, even with a later section open.
    EXPECT_EQ((std::vector<std::string>{"A", "a1", "a2", "B", "b1"}), Texts(log.OpenEntries()));
    EXPECT_EQ((std::vector<std::string>{"top"}), Texts(log.ClosedEntries()));

    log.CloseEntry(a);
    EXPECT_EQ((std::vector<std::string>{"top", "A", "a1", "a2"}), Texts(log.ClosedEntries()));
    std::vector<VLXLogEntry> closed = log.ClosedEntries();
    EXPECT_EQ(1, closed[2].level);
    for (size_t i = 1; i < closed.size(); ++i)
        EXPECT_GT(closed[i].sequence, closed[i - 1].sequence);
}

TEST(DatabaseLog, SectionWithAnOpenSubEntryStaysOpen)
{
    VLXLog log;
    ResultsLog outer, inner;
    VLXLogEntryRef section = log.OpenTaskSection("outer", outer);
    VLXLogEntryRef sub = log.OpenTaskSection("inner", inner);
    // Nest the inner section one level deeper by hand: a sub-entry that is still open.
    sub->level = 1;
    log.CloseEntry(section);
    EXPECT_EQ((std::vector<std::string>{"outer", "inner"}), Texts(log.OpenEntries()));
    EXPECT_FALSE(log.OpenEntries()[0].open);
    log.CloseEntry(sub);  // now nothing below "outer" is open, but "outer" was closed before
    log.CloseEntry(section);
    EXPECT_TRUE(log.OpenEntries().empty());
}

TEST(DatabaseLog, TaskResultsAreMirroredAndSetTheSectionType)
{
    struct Case {
        ResultSeverity extra;
        uint8_t sectionType;
    } cases[] = {{ResultSeverity::Success, 0}, {ResultSeverity::Warning, 1}, {ResultSeverity::Error, 2}};
    for (const Case& c : cases) {
        VLXLog log;
        {
            ResultsLog task;
            log.OpenTaskSection("repair", task);
            task.AddResult(ResultSeverity::Success, KUID(5, 6, 0), "fixed");
            task.AddResult(c.extra, "summary");
            std::vector<VLXLogEntry> open = log.OpenEntries();
            ASSERT_EQ(3u, open.size());
            EXPECT_EQ(KUID(5, 6, 0), open[1].kuid);
            EXPECT_EQ(c.sectionType, open[2].type);
        }  // destroying the task closes its section
        std::vector<VLXLogEntry> closed = log.ClosedEntries();
        ASSERT_EQ(3u, closed.size());
        EXPECT_EQ("repair", closed[0].text);
        EXPECT_EQ(c.sectionType, closed[0].type);
        }
}

TEST(DatabaseLog, ShutdownStoresOpenSectionsAsClosed)
{
    VLXLog log;
    ResultsLog task;
    VLXLogEntryRef section = log.OpenTaskSection("repair", task);
    log.AddEntry(std::nullopt, section, "step", 0);
    log.Shutdown();
    EXPECT_TRUE(log.IsDisabled());
    EXPECT_TRUE(log.OpenEntries().empty());
    VLXLogSnapshot stored = log.Snapshot();
    ASSERT_EQ(2u, stored.entries.size());
    EXPECT_EQ("repair", stored.entries[0].text);
    EXPECT_EQ(nullptr, log.AddEntry(std::nullopt, nullptr, "late", 0));

    VLXLog restored;
    restored.Restore(stored);
    EXPECT_EQ(stored.sequence, restored.Sequence());
    EXPECT_EQ((std::vector<std::string>{"repair", "step"}), Texts(restored.ClosedEntries()));
}

TEST(DatabaseLog, TrimKeepsTheNewestThousandAndRemovesSubEntriesBeforeTheirSection)
{
    VLXLog log;
    ResultsLog task;
    VLXLogEntryRef section = log.OpenTaskSection("S", task);
    for (const char* text : {"s1", "s2", "s3"})
        log.AddEntry(std::nullopt, section, text, 0);
    log.CloseEntry(section);  // the closed list starts with S, s1, s2, s3
    for (int i = 0; i < 1001; ++i)
        log.AddEntry(std::nullopt, nullptr, "e" + std::to_string(i), 0);
    log.WaitForTrimWorker();  // requests beyond 100 trim at once
    std::vector<VLXLogEntry> closed = log.ClosedEntries();
    ASSERT_EQ(1000u, closed.size());
    EXPECT_EQ("e1", closed.front().text);  // S's three entries went first, then S, then e0
    EXPECT_EQ("e1000", closed.back().text);
}

TEST(DatabaseLog, TrimWaitsForABurstToEnd)
{
    VLXLog log;
    for (int i = 0; i < 1001; ++i)
        log.AddEntry(std::nullopt, nullptr, "x", 0);
    log.WaitForTrimWorker();
    EXPECT_EQ(1000u, log.ClosedEntries().size());
    // A small burst: the worker waits 2 s after the last request before trimming.
    for (int i = 0; i < 5; ++i)
        log.AddEntry(std::nullopt, nullptr, "y", 0);
    EXPECT_EQ(1005u, log.ClosedEntries().size());
    log.WaitForTrimWorker();
    EXPECT_EQ(1000u, log.ClosedEntries().size());
}

}  // namespace
