// One dialog built from its layout: finding its widgets, keeping it above the caller's window,
// and running it modally.
#pragma once

#include <gtk/gtk.h>

#include <functional>

namespace kelvra::dialogs::gtk {

class DialogWindow {
  public:
    // Builds the layout at `resource` (in the user's language); its top-level object is "dialog".
    explicit DialogWindow(const char* resource);
    ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    GtkWidget* Dialog() const { return m_dialog; }
    GtkWidget* Widget(const char* id) const { return GTK_WIDGET(Object(id)); }
    GObject* Object(const char* id) const;
    GtkAdjustment* Adjustment(const char* id) const { return GTK_ADJUSTMENT(Object(id)); }

    // Shows the dialog above `parentXid` (0: centred on the screen) and waits for OK, Cancel or
    // the window being closed. kDialogOk or kDialogCancel. OK closes only once `acceptOk` (if
    // given) returns true; it may say in the dialog why not.
    int Run(unsigned long parentXid, const std::function<bool()>& acceptOk = {});

  private:
    GtkBuilder* m_builder = nullptr;
    GtkWidget* m_dialog = nullptr;
};

// Connects `handler` to `signal` of `instance` with `data`, without the casts at each call.
template <typename Handler>
void Connect(gpointer instance, const char* signal, Handler handler, gpointer data) {
    g_signal_connect(instance, signal, reinterpret_cast<GCallback>(handler), data);
}

}  // namespace kelvra::dialogs::gtk
