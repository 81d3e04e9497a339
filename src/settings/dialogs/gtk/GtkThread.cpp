#include "gtk/GtkThread.h"

#include <gtk/gtk.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kelvra::dialogs::gtk {
namespace {

// How often a caller waiting for another thread's loop checks whether that loop still runs.
constexpr auto kOwnerPoll = std::chrono::milliseconds(50);

struct HandedCall {
    const std::function<int()>* body = nullptr;
    std::mutex mutex;
    std::condition_variable finished;
    bool started = false;
    bool done = false;
    int result = 0;

    // True for the one thread that gets to run the body.
    bool Claim() {
        std::lock_guard<std::mutex> guard(mutex);
        if (started) return false;
        started = true;
        return true;
    }

    void Finish(int value) {
        std::lock_guard<std::mutex> guard(mutex);
        result = value;
        done = true;
        finished.notify_all();
    }
};

gboolean RunHanded(gpointer data) {
    auto* call = static_cast<HandedCall*>(data);
    if (call->Claim()) call->Finish((*call->body)());
    return G_SOURCE_REMOVE;
}

// Hands `body` to the loop that owns `context`. If that loop ends before it ran the body, the
// context becomes free and the body runs here instead, so the caller never waits on a loop that
// no longer turns.
int RunHandedOver(GMainContext* context, const std::function<int()>& body) {
    HandedCall call;
    call.body = &body;
    GSource* source = g_idle_source_new();
    g_source_set_callback(source, RunHanded, &call, nullptr);
    g_source_attach(source, context);
    std::unique_lock<std::mutex> lock(call.mutex);
    while (!call.done) {
        if (call.finished.wait_for(lock, kOwnerPoll, [&] { return call.done; })) break;
        if (call.started) continue;
        lock.unlock();
        if (g_main_context_acquire(context)) {
            if (call.Claim()) {
                g_source_destroy(source);
                call.Finish(body());
            }
            g_main_context_release(context);
        }
        lock.lock();
    }
    lock.unlock();
    g_source_destroy(source);
    g_source_unref(source);
    return call.result;
}

}  // namespace

int RunOnGtkThread(const std::function<int()>& body) {
    GMainContext* context = g_main_context_default();
    if (g_main_context_acquire(context)) {
        const int result = body();
        g_main_context_release(context);
        return result;
    }
    return RunHandedOver(context, body);
}

bool EnsureGtk() {
    // GTK would otherwise call setlocale(LC_ALL, ""), changing how the application formats
    // numbers. Both calls are ignored when the application initialised GTK itself.
    gtk_disable_setlocale();
    // X11 first: parents given to the dialogs are X11 windows.
    gdk_set_allowed_backends("x11,wayland");
    return gtk_init_check(nullptr, nullptr) != FALSE;
}

}  // namespace kelvra::dialogs::gtk
