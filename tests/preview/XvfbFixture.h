// A private X server per test: Xvfb on the first free display from :90 upward, named in
// DISPLAY for the test, plus the test's own connection playing the application.
#pragma once

// Before Xlib, whose macros (None, Bool) break its templates.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/MessageWindow.h"
#include "platform/preview/WindowClassRegistry.h"

namespace kelvra::platform::preview::test {

constexpr int kFirstDisplay = 90;
constexpr int kLastDisplay = 140;
constexpr int kStartTimeoutMs = 10000;
constexpr int kScreenWidth = 1600;
constexpr int kScreenHeight = 1200;

// Destroys any kind of window handle at the end of a scope.
class ScopedHandle {
  public:
    explicit ScopedHandle(HWND handle) : m_handle(handle) {}
    ~ScopedHandle() { DestroyWindow(m_handle); }
    HWND get() const { return m_handle; }

  private:
    HWND m_handle;
};

// A window class registered for one test; unregistering it at the end proves that every window
// made from it was released.
class ScopedClass {
  public:
    explicit ScopedClass(std::string name) : m_name(std::move(name)) {
        EXPECT_TRUE(WindowClassRegistry::Instance().Register(m_name));
    }
    ~ScopedClass() { EXPECT_TRUE(WindowClassRegistry::Instance().Unregister(m_name)); }
    const std::string& get() const { return m_name; }

  private:
    std::string m_name;
};

class XvfbTest : public ::testing::Test {
  protected:
    virtual int Depth() const { return 24; }

    void SetUp() override {
        if (const char* old = std::getenv("DISPLAY")) m_oldDisplay = old;
        const std::string error = StartServer();
        ASSERT_TRUE(error.empty()) << error;
        setenv("DISPLAY", m_name.c_str(), 1);
        m_app = XOpenDisplay(m_name.c_str());
        ASSERT_NE(m_app, nullptr) << "cannot connect to Xvfb at " << m_name;
    }

    void TearDown() override {
        StopServer();
        if (m_oldDisplay.empty()) {
            unsetenv("DISPLAY");
        } else {
            setenv("DISPLAY", m_oldDisplay.c_str(), 1);
        }
    }

    // Closes the application's connection first: Xlib ends a process whose connection breaks.
    void StopServer() {
        if (m_app != nullptr) XCloseDisplay(m_app);
        m_app = nullptr;
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

    // An application window on the root, mapped.
    Window AppWindow(int width, int height) {
        const Window window =
            XCreateSimpleWindow(m_app, DefaultRootWindow(m_app), 0, 0, width, height, 0, 0, 0);
        XMapWindow(m_app, window);
        XSync(m_app, False);
        return window;
    }

    // Whether `window` is still a child of `parent`; asks without risking an X error.
    bool HasChild(Window parent, Window window) {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_app, parent, &root, &up, &children, &count)) return false;
        bool found = false;
        for (unsigned i = 0; i < count; ++i) found = found || children[i] == window;
        if (children != nullptr) XFree(children);
        return found;
    }

    Display* m_app = nullptr;
    std::string m_name;

  private:
    std::string StartServer() {
        for (int number = kFirstDisplay; number <= kLastDisplay; ++number) {
            std::string error;
            if (TryDisplay(number, error)) return {};
            if (!error.empty()) return error;
        }
        return "no free display for Xvfb between :90 and :140";
    }

    // True when Xvfb runs on :number. A taken number leaves `error` empty; a failure that
    // another number cannot mend fills it.
    bool TryDisplay(int number, std::string& error) {
        int fds[2];
        if (pipe(fds) != 0) return error = "pipe failed", false;
        fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        // Appended rather than ":" + to_string(): GCC 12 reports a false -Wrestrict on the
        // latter in some inlining contexts.
        std::string display = ":";
        display += std::to_string(number);
        const std::string screen = std::to_string(kScreenWidth) + "x" +
                                   std::to_string(kScreenHeight) + "x" + std::to_string(Depth());
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args = {"Xvfb",      display, "-screen",    "0", screen,
                                         "-nolisten", "tcp",   "-displayfd", fd};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int spawned = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (spawned != 0) {
            close(fds[0]);
            m_pid = -1;
            error = spawned == ENOENT ? "Xvfb is not installed (Debian package xvfb)"
                                      : "cannot start Xvfb";
            return false;
        }
        const std::string written = ReadLine(fds[0]);
        close(fds[0]);
        if (written.empty()) {  // display taken, server failed or hung
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return false;
        }
        m_name = ":" + written;
        return true;
    }

    static std::string ReadLine(int fd) {
        std::string line;
        pollfd poller{fd, POLLIN, 0};
        char c = 0;
        while (poll(&poller, 1, kStartTimeoutMs) > 0 && read(fd, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return c == '\n' ? line : std::string();
    }

    pid_t m_pid = -1;
    std::string m_oldDisplay;
};

}  // namespace kelvra::platform::preview::test
