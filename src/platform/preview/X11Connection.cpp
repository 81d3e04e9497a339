#include "platform/preview/X11Connection.h"

#include <unistd.h>

#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

namespace kelvra::platform::preview {

namespace {

struct ConnectionState {
    int lastError = 0;  // Success
    bool broken = false;
};

// What the process-wide handlers know about our connections. The handlers run on whichever
// thread uses the connection, with Xlib's own lock released, so a plain mutex suffices here;
// no Xlib call is ever made while it is held.
struct ErrorTrap {
    std::mutex mutex;
    std::unordered_map<Display*, ConnectionState> connections;
    XErrorHandler previousError = nullptr;
    XIOErrorHandler previousIoError = nullptr;
};

ErrorTrap& Trap() {
    // Never destroyed: a connection may be closed from a static destructor at exit.
    static ErrorTrap* const trap = new ErrorTrap();
    return *trap;
}

int OnError(Display* display, XErrorEvent* event) {
    ErrorTrap& trap = Trap();
    {
        std::lock_guard<std::mutex> lock(trap.mutex);
        const auto it = trap.connections.find(display);
        if (it != trap.connections.end()) {
            it->second.lastError = event->error_code;
            return 0;
        }
    }
    return trap.previousError ? trap.previousError(display, event) : 0;
}

void MarkBroken(Display* display) {
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    const auto it = trap.connections.find(display);
    if (it != trap.connections.end()) it->second.broken = true;
}

bool IsOurs(Display* display) {
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    return trap.connections.count(display) != 0;
}

// A lost server is reported quietly for our connections; the application's own connections
// keep whatever fatal handling it chose.
int OnIoError(Display* display) {
    if (IsOurs(display)) {
        MarkBroken(display);
        return 0;
    }
    ErrorTrap& trap = Trap();
    return trap.previousIoError ? trap.previousIoError(display) : 0;
}

// Replaces Xlib's default exit(1) for our connections: Xlib then marks the connection dead and
// every later call on it fails without touching the socket.
void OnIoErrorExit(Display* display, void* /*userData*/) {
    MarkBroken(display);
}

// Xlib must be told about threads before its first connection; the acquisition thread draws
// while the application thread queries the same window through another connection.
void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        ErrorTrap& trap = Trap();
        trap.previousError = XSetErrorHandler(OnError);
        trap.previousIoError = XSetIOErrorHandler(OnIoError);
    });
}

}  // namespace

// A new connection to the display named by DISPLAY, or null when the variable is unset or the
// server cannot be reached. Any thread.
std::unique_ptr<X11Connection> X11Connection::Open() {
    InitialiseOnce();
    Display* const display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    {
        ErrorTrap& trap = Trap();
        std::lock_guard<std::mutex> lock(trap.mutex);
        trap.connections[display] = ConnectionState{};
    }
    XSetIOErrorExitHandler(display, OnIoErrorExit, nullptr);
    return std::unique_ptr<X11Connection>(new X11Connection(display));
}

// Waits for the server to finish every request sent so far, then forgets the errors they
// caused, so that pending errors are not mistaken for those of the next request and no error
// can arrive once the connection is no longer recognised as ours. Then closes it; a connection
// the server has dropped (killed client, server gone) is abandoned instead.
X11Connection::~X11Connection() {
    if (!Broken()) XSync(m_display, False);  // may be what finds the server gone
    const bool broken = Broken();
    {
        ErrorTrap& trap = Trap();
        std::lock_guard<std::mutex> lock(trap.mutex);
        trap.connections.erase(m_display);
    }
    if (broken) {
        Abandon(m_display);
    } else {
        XCloseDisplay(m_display);
    }
}

// Once Xlib has met a dead server it keeps the display's user lock for the thread that met it
// (it expects the process to exit), so XCloseDisplay, or any request, from another thread waits
// forever. Such a display is never handed to Xlib again: its socket is closed and the structure
// kept (a few KiB per lost server) where the leak checker sees it reachable.
void X11Connection::Abandon(Display* display) {
    static std::mutex* const mutex = new std::mutex();
    static std::vector<Display*>* const abandoned = new std::vector<Display*>();
    close(ConnectionNumber(display));
    std::lock_guard<std::mutex> lock(*mutex);
    try {
        abandoned->push_back(display);
    } catch (const std::bad_alloc&) {
        // Not kept: the leak checker may report it; nothing else depends on it.
    }
}

// Clears the recorded protocol error before a group of requests whose outcome matters.
void X11Connection::ForgetErrors() {
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    trap.connections[m_display].lastError = 0;
}

// Waits until the server has handled every request sent so far. True when none of them failed
// since the last ForgetErrors and the connection is alive. Called by the connection's user,
// which serialises its calls.
bool X11Connection::Sync() {
    if (Broken()) return false;
    XSync(m_display, False);
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    const ConnectionState& state = trap.connections[m_display];
    return state.lastError == 0 && !state.broken;
}

// True once the server has gone away (closed, killed or unreachable).
bool X11Connection::Broken() const {
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    const auto it = trap.connections.find(m_display);
    return it != trap.connections.end() && it->second.broken;
}

}  // namespace kelvra::platform::preview
