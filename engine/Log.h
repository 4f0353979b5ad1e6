// Nox::Log: the engine log, one line per OutputString, for developer diagnostics.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace Nox {

class LogClient {
 public:
  // Formats like printf and writes the result as one line (a trailing line
  // end of the text is not doubled). Never fails visibly.
  void OutputString(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void Write(int level, std::string_view line);
};

namespace Log {

// Reads the log file from an option string holding "-LogFile=<path>"; without
// it the log goes to /dev/null. The environment variable VELMAR_LOG, when set
// and not empty, names the file instead. Lines are appended.
void Init(std::string_view options);
// The file the log currently writes to.
std::string CurrentFile();
LogClient* GetClient();

// Test hook: every line written is also handed to the observer (empty function removes it).
using Observer = std::function<void(int level, std::string_view line)>;
void SetObserver(Observer observer);

}  // namespace Log
}  // namespace Nox
