// Results log: adding entries with placeholder substitution, copying, and the console report.
#include "app/results/ResultsLog.h"

#include "core/SubstituteVariable.h"

#include <ostream>

namespace {

std::string UpperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

// The KUID shown on a result line: the property's value read back as a KUID, so an entry without
// an asset (or with a value that is no KUID) shows "<NULL>".
std::string AssetText(const VelmarPropertyRef& property)
{
    if (!property)
        return KUID::Null.ToTagText();
    return KUID::Parse(property->ValueAsText(), false).ToTagText();
}

} // namespace

ResultsLog::~ResultsLog()
{
    {
        std::lock_guard guard(lock_);
        NotifySubscribers("list-destroyed");
    }
    DropSubscribers();
    UnsubscribeFromAll();
}

void ResultsLog::AddResult(ResultSeverity severity, VelmarPropertyRef property, std::string_view message,
                           const ResultVariables* variables)
{
    std::lock_guard guard(lock_);
    ResultEntry entry;
    entry.severity = severity;
    entry.property = property ? std::move(property) : (context_.empty() ? nullptr : context_.back());
    entry.message.assign(message);
    if (variables) {
        for (size_t i = 0; i < variables->Count(); ++i)
            SubstituteVariable(variables->ValueText(i), entry.message, UpperAscii(variables->Name(i)));
    }
    entries_.push_back(std::move(entry));
    switch (severity) {
    case ResultSeverity::Warning: ++warnings_; break;
    case ResultSeverity::Error: ++errors_; break;
    case ResultSeverity::Success: ++successes_; break;
    default: break;
    }
    printed_ = false;
    NotifySubscribers("list-updated");
}

void ResultsLog::PushContext(VelmarPropertyRef property)
{
    std::lock_guard guard(lock_);
    context_.push_back(std::move(property));
}

void ResultsLog::PopContext()
{
    std::lock_guard guard(lock_);
    if (!context_.empty())
        context_.pop_back();
}

void ResultsLog::CopyFrom(const ResultsLog& other)
{
    if (&other == this)
        return;
    // Both locks at once, deadlock-free even when two logs copy each other concurrently.
    std::scoped_lock guard(lock_, other.lock_);
    entries_ = other.entries_;
    warnings_ = other.warnings_;
    errors_ = other.errors_;
    successes_ = other.successes_;
    printed_ = false;
}

std::string_view ResultsLog::SeverityPrefix(ResultSeverity severity)
{
    switch (severity) {
    case ResultSeverity::Comment: return "; ";
    case ResultSeverity::Warning: return "! ";
    case ResultSeverity::Error: return "- ";
    case ResultSeverity::Success: return "+ ";
    }
    return "";
}

std::string ResultsLog::FormatResults()
{
    std::lock_guard guard(lock_);
    printed_ = true;
    std::string report;
    int errors = 0;
    int warnings = 0;
    for (const ResultEntry& entry : entries_) {
        report += SeverityPrefix(entry.severity);
        report += AssetText(entry.property);
        report += " : ";
        report += entry.message;
        report += '\n';
        if (entry.severity == ResultSeverity::Error)
            ++errors;
        else if (entry.severity == ResultSeverity::Warning)
            ++warnings;
    }
    report += "OK (" + std::to_string(errors) + " Errors, " + std::to_string(warnings) + " Warnings)\n";
    return report;
}

void ResultsLog::PrintResults(FILE* out)
{
    std::string report = FormatResults();
    fwrite(report.data(), 1, report.size(), out);
}

void ResultsLog::PrintResults(std::ostream& out) { out << FormatResults(); }

std::vector<ResultEntry> ResultsLog::Entries() const
{
    std::lock_guard guard(lock_);
    return entries_;
}

size_t ResultsLog::EntryCount() const
{
    std::lock_guard guard(lock_);
    return entries_.size();
}

int32_t ResultsLog::WarningCount() const
{
    std::lock_guard guard(lock_);
    return warnings_;
}

int32_t ResultsLog::ErrorCount() const
{
    std::lock_guard guard(lock_);
    return errors_;
}

int32_t ResultsLog::SuccessCount() const
{
    std::lock_guard guard(lock_);
    return successes_;
}

bool ResultsLog::IsPrinted() const
{
    std::lock_guard guard(lock_);
    return printed_;
}

size_t ResultsLog::ContextDepth() const
{
    std::lock_guard guard(lock_);
    return context_.size();
}
