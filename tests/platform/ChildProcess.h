// Running test code in a forked child process. Fork only while the test process has a single
// thread: the child then owns a consistent copy of everything.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace kelvra::platform::test {

// Exit code of a child whose body threw.
constexpr int kChildThrew = 99;

// Starts `body` in a child that exits with the body's result (0..255). -1 if fork failed.
inline pid_t StartChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    int code = kChildThrew;
    try {
        code = body();
    } catch (...) {
    }
    _exit(code);  // skips the parent's atexit handlers and test teardown
}

// The child's exit code, or -1 when it died of a signal or could not be waited for.
inline int WaitChild(pid_t pid) {
    if (pid < 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int RunInChild(const std::function<int()>& body) {
    return WaitChild(StartChild(body));
}

}  // namespace kelvra::platform::test
