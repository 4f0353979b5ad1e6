// Engine log: appends one line per call to the configured file, under a mutex.
#include "engine/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "engine/TextFormat.h"

namespace Nox {

namespace {

struct LogState {
  std::mutex lock;
  std::string file;
  std::FILE* handle = nullptr;
  bool initialised = false;
  Log::Observer observer;
};

LogState& TheLog() {
  static LogState* state = new LogState;
  return *state;
}

std::string OptionValue(std::string_view options, std::string_view name) {
  size_t at = options.find(name);
  if (at == std::string_view::npos) return {};
  std::string_view rest = options.substr(at + name.size());
  return std::string(rest.substr(0, rest.find_first_of(" \t")));
}

std::string EnvironmentLogFile() {
  const char* value = std::getenv("VELMAR_LOG");
  return value && *value ? std::string(value) : std::string();
}

// Opens the file on first use so that lines written before Init still reach
// the file named by VELMAR_LOG.
void OpenLocked(LogState& state, std::string file) {
  if (state.handle) std::fclose(state.handle);
  state.handle = nullptr;
  state.file = std::move(file);
  state.initialised = true;
  if (state.file.empty() || state.file == "/dev/null") return;
  state.handle = std::fopen(state.file.c_str(), "ab");
}

}  // namespace

void LogClient::OutputString(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormat(format, args);
  va_end(args);
  Write(level, text);
}

void LogClient::Write(int level, std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  LogState& state = TheLog();
  Log::Observer observer;
  {
    std::lock_guard guard(state.lock);
    if (!state.initialised) {
      std::string file = EnvironmentLogFile();
      OpenLocked(state, file.empty() ? std::string("/dev/null") : file);
    }
    if (state.handle) {
      std::fwrite(line.data(), 1, line.size(), state.handle);
      std::fputc('\n', state.handle);
      std::fflush(state.handle);
    }
    observer = state.observer;
  }
  if (observer) observer(level, line);
}

namespace Log {

void Init(std::string_view options) {
  std::string file = EnvironmentLogFile();
  if (file.empty()) file = OptionValue(options, "-LogFile=");
  if (file.empty()) file = "/dev/null";
  LogState& state = TheLog();
  std::lock_guard guard(state.lock);
  OpenLocked(state, file);
}

std::string CurrentFile() {
  LogState& state = TheLog();
  std::lock_guard guard(state.lock);
  return state.initialised ? state.file : EnvironmentLogFile();
}

LogClient* GetClient() {
  static LogClient client;
  return &client;
}

void SetObserver(Observer observer) {
  LogState& state = TheLog();
  std::lock_guard guard(state.lock);
  state.observer = std::move(observer);
}

}  // namespace Log
}  // namespace Nox
