// Batch files: one command per line, split into arguments at spaces with double quotes grouping.
#pragma once

#include "app/AppContext.h"

#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kBatchLineBuffer = 512; // a line holds at most 511 characters
inline constexpr size_t kBatchArgumentSlots = 512;

// The argument table of one batch line: argv[0] first, then the tokens (at most 511; later
// tokens of an over-long line are dropped), then a terminating null pointer.
struct BatchArguments {
    std::vector<std::string> words;
    std::vector<char*> argv;

    int argc() const { return int(words.size()); }
};

// Splits one line (terminators already removed) into arguments.
BatchArguments SplitBatchLine(std::string_view line, std::string_view argv0);

// Removes the line terminators of a line read from a batch file: every carriage return or line
// feed from the second character on ends the text; the first character is never removed.
std::string_view TrimBatchLine(std::string_view line);

// True when a line's arguments are skipped rather than run: the last argument starts with a
// carriage return or a line feed (a line that held only its terminator).
bool IsSkippedBatchLine(const BatchArguments& args);

enum class BatchStatus { AllSucceeded, SomeFailed, FileMissing };

// Runs every line of the batch file as its own command, each followed by a blank line on the
// console. A missing file writes its message to the error stream and runs nothing.
BatchStatus RunBatchFile(AppContext& context, std::string_view fileName, std::string_view argv0);
