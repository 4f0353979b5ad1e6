// Real child processes for multi-process tests: fork, run a function, report through the exit status.
#pragma once

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace child {

// Runs `body` in a forked child, which ends with its return value (0..255) and runs no
// destructors of the parent's objects.
inline pid_t Start(const std::function<int()>& body)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    return pid;
}

// The child's exit status, or 1000 + signal number when a signal ended it.
inline int Wait(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 1000 + WTERMSIG(status);
}

inline int Kill(pid_t pid)
{
    kill(pid, SIGKILL);
    return Wait(pid);
}

// A one-way signal between processes: Post writes a byte, Await reads one (false at end of pipe).
struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() { (void)!pipe(fd); }
    ~Pipe()
    {
        close(fd[0]);
        close(fd[1]);
    }
    void Post(char c = 'x') { (void)!write(fd[1], &c, 1); }
    bool Await()
    {
        char c;
        return read(fd[0], &c, 1) == 1;
    }
};

// Polls `condition` every 5 ms for up to `ms` milliseconds.
inline bool Eventually(const std::function<bool()>& condition, int ms = 10000)
{
    for (int waited = 0; waited < ms; waited += 5) {
        if (condition())
            return true;
        usleep(5000);
    }
    return condition();
}

}  // namespace child
