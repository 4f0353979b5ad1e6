// Nox::Process: this process's id, liveness of others, program path, disk space, exit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Nox::Process {

int32_t GetProcessId();
// True while a process with this id exists (a zombie still counts). Ids <= 0 are never alive.
bool IsProcessAlive(int32_t pid);
// Full path of the running program (from /proc/self/exe); empty when unknown.
std::string ProgramPath();
// Flushes stdout and stderr and ends the process at once with the low byte of
// status (so -100 is seen as 156 and -1 as 255). Static destructors do not run.
[[noreturn]] void TerminateProcess(int status);
// Bytes available to this user on the volume holding path; -1 on failure.
int64_t FreeDiskSpace(std::string_view path);
// Records a thread message to the main thread. There is no message loop here,
// so the message becomes one engine-log line
// "PostThreadMessage> message <id> (<wParam>, <lParam>)".
void PostThreadMessage(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0);

}  // namespace Nox::Process
