// Results log: entries, placeholders, counters, context stack, copying, subscribers and the report.
#include "app/results/ResultsLog.h"
#include "core/SubstituteVariable.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace {

TEST(SubstituteVariableTest, ReplacesPlaceholdersIgnoringCaseOnce)
{
    struct Case {
        const char* message;
        const char* value;
        const char* name;
        const char* want;
    };
    const Case cases[] = {
        {"a $(name) b $(NAME)", "x", "NAME", "a x b x"},
        {"$(A)$(A)", "$(A)", "A", "$(A)$(A)"},
        {"$(A) and $(a)", "$(a)!", "A", "$(a)! and $(a)!"},
        {"no placeholder", "x", "A", "no placeholder"},
        {"$(ASSET_KUID) done", "", "ASSET_KUID", " done"},
        {"$(AB) $(A)", "1", "A", "$(AB) 1"},
        {"$(", "1", "A", "$("},
    };
    for (const Case& c : cases) {
        std::string message = c.message;
        SubstituteVariable(c.value, message, c.name);
        EXPECT_EQ(message, c.want) << c.message;
    }
}

TEST(ResultsLogTest, ReportListsEntriesInOrderWithSummary)
{
    ResultsLog log;
    EXPECT_EQ(log.FormatResults(), "OK (0 Errors, 0 Warnings)\n");

    ResultVariableList vars{{"asset_kuid", "<kuid:1:2>"}, {"Count", "3"}};
    log.AddResult(ResultSeverity::Success, KUID(1, 2, 0), "installed $(ASSET_KUID) ($(count))", &vars);
    log.AddResult(ResultSeverity::Warning, "first warning");
    log.AddResult(ResultSeverity::Comment, KUID(5, 7, 2), "note");
    log.AddResult(ResultSeverity::Error, "Missing AssetID parameter.");
    log.AddResult(ResultSeverity::Warning, KUID(-3, 100, 127), "second warning");
    log.AddResult(static_cast<ResultSeverity>(9), "odd severity");
    EXPECT_FALSE(log.IsPrinted());
    EXPECT_EQ(log.WarningCount(), 2);
    EXPECT_EQ(log.ErrorCount(), 1);
    EXPECT_EQ(log.SuccessCount(), 1);

    std::ostringstream out;
    log.PrintResults(out);
    EXPECT_EQ(out.str(), "+ <kuid:1:2> : installed <kuid:1:2> (3)\n"
                         "! <NULL> : first warning\n"
                         "; <kuid2:5:7:2> : note\n"
                         "- <NULL> : Missing AssetID parameter.\n"
                         "! <kuid:-3:100> : second warning\n"
                         "<NULL> : odd severity\n"
                         "OK (1 Errors, 2 Warnings)\n");
    EXPECT_TRUE(log.IsPrinted());
}

TEST(ResultsLogTest, VariablesFromASoupContainer)
{
    SoupRef vars = SoupRef::NewContainer();
    vars.SetString("asset_kuid", "<kuid:1:2>");
    vars.SetInt("error_count", 3);
    vars.SetKUID("other", KUID(5, 7, 2));
    ResultsLog log;
    log.AddResult(ResultSeverity::Success, MakeAssetProperty(KUID(1, 2, 0)),
                  "$(ASSET_KUID): $(ERROR_COUNT) errors, see $(OTHER)", vars);
    log.AddResult(ResultSeverity::Comment, nullptr, "$(X) stays", SoupRef());
    EXPECT_EQ(log.FormatResults(), "+ <kuid:1:2> : <kuid:1:2>: 3 errors, see <kuid2:5:7:2>\n"
                                   "; <NULL> : $(X) stays\nOK (0 Errors, 0 Warnings)\n");
}

TEST(ResultsLogTest, ContextStackSuppliesDefaultAsset)
{
    ResultsLog log;
    log.PushContext(MakeAssetProperty(KUID(1, 1, 0)));
    log.PushContext(MakeAssetProperty(KUID(2, 2, 0)));
    log.AddResult(ResultSeverity::Error, "top");
    log.AddResult(ResultSeverity::Error, KUID(9, 9, 0), "explicit");
    log.PopContext();
    log.AddResult(ResultSeverity::Error, "next");
    log.PopContext();
    log.PopContext(); // popping an empty stack is harmless
    log.AddResult(ResultSeverity::Error, "none");
    EXPECT_EQ(log.FormatResults(), "- <kuid:2:2> : top\n- <kuid:9:9> : explicit\n- <kuid:1:1> : next\n"
                                   "- <NULL> : none\nOK (4 Errors, 0 Warnings)\n");
}

TEST(ResultsLogTest, CopyFromReplacesEntriesAndCounters)
{
    ResultsLog task;
    task.AddResult(ResultSeverity::Warning, "w");
    task.AddResult(ResultSeverity::Success, "s");
    ResultsLog log;
    log.AddResult(ResultSeverity::Error, "replaced");
    log.FormatResults();
    log.CopyFrom(task);
    EXPECT_FALSE(log.IsPrinted());
    EXPECT_EQ(log.ErrorCount(), 0);
    EXPECT_EQ(log.WarningCount(), 1);
    EXPECT_EQ(log.SuccessCount(), 1);
    log.CopyFrom(log);
    EXPECT_EQ(log.FormatResults(), "! <NULL> : w\n+ <NULL> : s\nOK (0 Errors, 1 Warnings)\n");
}

struct Recorder : NuMessageRecipient {
    std::vector<std::string> names;
    const NuMessageSource* lastSender = nullptr;
    void ReceiveMessage(const NuMessageData& m) override
    {
        names.emplace_back(m.name);
        lastSender = m.sender;
    }
};

TEST(ResultsLogTest, SubscribersHearUpdatesAndDestruction)
{
    Recorder early;
    {
        Recorder late;
        auto log = std::make_unique<ResultsLog>();
        early.SubscribeTo(*log);
        late.SubscribeTo(*log);
        log->AddResult(ResultSeverity::Comment, "a");
        EXPECT_EQ(early.lastSender, static_cast<const NuMessageSource*>(log.get()));
        late.UnsubscribeFrom(*log);
        log->AddResult(ResultSeverity::Comment, "b");
        EXPECT_EQ(late.names, std::vector<std::string>({"list-updated"}));
        log.reset();
        // A recipient destroyed after its source must not touch it.
        Recorder* dangling = new Recorder;
        {
            ResultsLog shortLived;
            dangling->SubscribeTo(shortLived);
        }
        delete dangling;
        // And a source destroyed after its recipient must not call it.
        ResultsLog survivor;
        {
            Recorder gone;
            gone.SubscribeTo(survivor);
        }
        survivor.AddResult(ResultSeverity::Comment, "c");
        EXPECT_EQ(survivor.SubscriberCount(), 0u);
    }
    EXPECT_EQ(early.names, std::vector<std::string>({"list-updated", "list-updated", "list-destroyed"}));
}

TEST(ResultsLogTest, ConcurrentAddsAreAllCounted)
{
    ResultsLog log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                log.AddResult(i % 2 ? ResultSeverity::Error : ResultSeverity::Warning, "x");
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(log.EntryCount(), 2000u);
    EXPECT_EQ(log.ErrorCount(), 1000);
    EXPECT_EQ(log.WarningCount(), 1000);
}

} // namespace
