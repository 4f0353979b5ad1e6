// Reading batch files line by line, splitting lines into arguments and running each line.
#include "app/BatchFile.h"

#include "app/CommandRunner.h"
#include "engine/File.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

bool IsTerminator(char c) { return c == '\r' || c == '\n'; }

void AddToken(BatchArguments& args, std::string_view token)
{
    if (args.words.size() < kBatchArgumentSlots)
        args.words.emplace_back(token);
}

// One read of the engine's line reader: the number of bytes it stored, 0 at the end of the file.
// The reader ends what it stored with a NUL and leaves the rest of the buffer alone, so with a
// non-NUL filler the last NUL gives the length even when the line itself holds NUL bytes.
size_t ReadLineBytes(Nox::File& file, char (&buffer)[kBatchLineBuffer])
{
    std::memset(buffer, 1, sizeof buffer);
    if (!file.ReadLine(buffer, sizeof buffer))
        return 0;
    const void* end = memrchr(buffer, '\0', sizeof buffer);
    return end ? size_t(static_cast<const char*>(end) - buffer) : 0;
}

// Reads one batch line into `buffer`. A line longer than the buffer holds loses its remainder:
// that text was never meant as a command of its own.
bool ReadBatchLine(Nox::File& file, char (&buffer)[kBatchLineBuffer])
{
    size_t length = ReadLineBytes(file, buffer);
    if (length == 0)
        return false;
    if (length == sizeof buffer - 1 && !IsTerminator(buffer[length - 1])) {
        char rest[kBatchLineBuffer];
        while (size_t tail = ReadLineBytes(file, rest)) {
            if (IsTerminator(rest[tail - 1]))
                break;
        }
    }
    return true;
}

} // namespace

std::string_view TrimBatchLine(std::string_view line)
{
    for (size_t i = 1; i < line.size(); ++i)
        if (IsTerminator(line[i]))
            return line.substr(0, i);
    return line;
}

BatchArguments SplitBatchLine(std::string_view line, std::string_view argv0)
{
    BatchArguments args;
    args.words.emplace_back(argv0);

    std::string text;
    text.reserve(line.size() + 2);
    if (line.empty() || line[0] != ' ')
        text += ' ';
    text.append(line);
    text += ' ';

    std::optional<size_t> start;
    bool inQuotes = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            if (!inQuotes) {
                start = i + 1;
                inQuotes = true;
            } else {
                AddToken(args, std::string_view(text).substr(*start, i - *start));
                start.reset();
                inQuotes = false;
            }
        } else if (c == ' ' && !inQuotes) {
            if (start) {
                AddToken(args, std::string_view(text).substr(*start, i - *start));
            }
            // The space ends the previous token and starts the next one.
            start = i + 1;
        }
    }
    // A token still open here (the last space's, or an unclosed quote's) is dropped.

    for (std::string& word : args.words)
        args.argv.push_back(word.data());
    args.argv.push_back(nullptr);
    return args;
}

bool IsSkippedBatchLine(const BatchArguments& args)
{
    // Only a line that was nothing but its terminator is skipped. An argument can only start with
    // a space when it was quoted, so such a line is a real command and runs.
    const std::string& last = args.words.back();
    return !last.empty() && (last[0] == '\r' || last[0] == '\n');
}

BatchStatus RunBatchFile(AppContext& context, std::string_view fileName, std::string_view argv0)
{
    Nox::File file;
    if (Nox::File::Exists(fileName) != 0 || Nox::File::IsFolder(fileName) || file.Open(fileName) != 0) {
        std::string message = "-The file \"" + std::string(fileName) +
                              "\" does not exist, please specify a valid filename\n";
        fwrite(message.data(), 1, message.size(), stderr);
        return BatchStatus::FileMissing;
    }
    FILE* console = ConsoleOf(context);
    bool anyFailed = false;
    char buffer[kBatchLineBuffer];
    while (ReadBatchLine(file, buffer)) {
        BatchArguments args = SplitBatchLine(TrimBatchLine(buffer), argv0);
        if (!IsSkippedBatchLine(args)) {
            anyFailed |= RunAndPrintCommand(context, args.argc(), args.argv.data());
            fputc('\n', console);
        }
        if (file.Eof())
            break;
    }
    return anyFailed ? BatchStatus::SomeFailed : BatchStatus::AllSucceeded;
}
