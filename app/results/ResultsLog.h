// The per-command results log: entries with severity and asset, counters, context stack, printing.
#pragma once

#include "app/results/MessageRecipient.h"
#include "app/results/ResultVariables.h"
#include "app/results/SoupResultVariables.h"
#include "app/results/VelmarProperty.h"

#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

enum class ResultSeverity : int32_t {
    Comment = 1, // "; ", not counted
    Warning = 2, // "! "
    Error = 3,   // "- "
    Success = 4, // "+ "
};

struct ResultEntry {
    ResultSeverity severity = ResultSeverity::Comment;
    std::string message;        // final text, placeholders already filled
    VelmarPropertyRef property; // normally the "AssetID" property; may be empty
};

// Collects what a command reports. Safe to fill from several threads; subscribers are told
// "list-updated" after every added entry and "list-destroyed" when the log goes away.
class ResultsLog : public NuMessageRecipient, public NuMessageSource {
public:
    ResultsLog() = default;
    ~ResultsLog() override;

    // Adds one entry. Without a property the entry takes the top of the context stack, if any.
    // Each variable fills the placeholder "$(NAME)" of the message, NAME being its upper-cased name.
    void AddResult(ResultSeverity severity, VelmarPropertyRef property, std::string_view message,
                   const ResultVariables* variables = nullptr);
    // Variables from a soup container: each child's name and value as text.
    void AddResult(ResultSeverity severity, VelmarPropertyRef property, std::string_view message,
                   const SoupRef& variables)
    {
        SoupResultVariables adapted(variables);
        AddResult(severity, std::move(property), message, &adapted);
    }
    void AddResult(ResultSeverity severity, std::string_view message) { AddResult(severity, nullptr, message); }
    // An entry tied to the asset `kuid` (an "AssetID" property).
    void AddResult(ResultSeverity severity, KUID kuid, std::string_view message,
                   const ResultVariables* variables = nullptr)
    {
        AddResult(severity, MakeAssetProperty(kuid), message, variables);
    }

    void PushContext(VelmarPropertyRef property);
    void PopContext();

    // Replaces this log's entries and counters with copies of `other`'s; copying onto itself does nothing.
    void CopyFrom(const ResultsLog& other);

    // Writes one line per entry ("<prefix><KUID text> : <message>") and the summary
    // "OK (<errors> Errors, <warnings> Warnings)", then marks the log printed.
    void PrintResults(FILE* out = stdout);
    void PrintResults(std::ostream& out);
    // The report as text, exactly as PrintResults writes it.
    std::string FormatResults();

    std::vector<ResultEntry> Entries() const;
    size_t EntryCount() const;
    int32_t WarningCount() const;
    int32_t ErrorCount() const;
    int32_t SuccessCount() const;
    bool IsPrinted() const;
    size_t ContextDepth() const;

    static std::string_view SeverityPrefix(ResultSeverity severity);

private:
    mutable std::recursive_mutex lock_;
    std::vector<ResultEntry> entries_;
    int32_t warnings_ = 0;
    int32_t errors_ = 0;
    int32_t successes_ = 0;
    bool printed_ = true;
    std::vector<VelmarPropertyRef> context_;
};
