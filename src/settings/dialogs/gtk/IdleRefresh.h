// Carries "values changed" from the acquisition thread to the dialog's thread: the post only
// schedules one idle call on GLib's default main context, where the dialog's loop runs.
#pragma once

#include <glib.h>

#include <atomic>
#include <functional>

namespace kelvra::dialogs::gtk {

class IdleRefresh {
  public:
    explicit IdleRefresh(std::function<void()> refresh) : m_refresh(std::move(refresh)) {}
    IdleRefresh(const IdleRefresh&) = delete;
    IdleRefresh& operator=(const IdleRefresh&) = delete;

    // Any thread; never blocks. Posts made before the pending refresh ran share it.
    void Post();
    // On the dialog's thread, once no more posts can come: drops a refresh still pending.
    void Cancel();

  private:
    static gboolean Run(gpointer self);

    std::function<void()> m_refresh;
    std::atomic<bool> m_pending{false};
    std::atomic<guint> m_source{0};
};

}  // namespace kelvra::dialogs::gtk
