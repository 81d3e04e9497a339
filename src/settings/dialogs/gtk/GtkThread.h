// Where the dialogs may use GTK, which is not thread-safe: on the thread that owns GLib's
// default main context, where GTK's windows get their events.
#pragma once

#include <functional>

namespace kelvra::dialogs::gtk {

// Runs `body` on the thread that may use GTK and returns its result. That is the calling thread
// when it can own the default main context: an application without GTK, or one calling from a
// handler of its own main loop (the dialog's loop then nests in it). When another thread's loop
// owns the context, `body` is handed to that loop and this thread waits for it.
int RunOnGtkThread(const std::function<int()>& body);

// Initialises GTK on first use without touching the process locale; true once windows can be
// shown. False without a display. Call on the GTK thread.
bool EnsureGtk();

}  // namespace kelvra::dialogs::gtk
