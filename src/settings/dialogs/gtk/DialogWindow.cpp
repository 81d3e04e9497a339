#include "gtk/DialogWindow.h"

#include <gdk/gdkx.h>

#include <string>

#include "gtk/Catalog.h"
#include "gtk/UiText.h"
#include "settings/dialogs/DialogHost.h"

namespace kelvra::dialogs::gtk {
namespace {

std::string LayoutText(const char* resource) {
    GBytes* bytes = g_resources_lookup_data(resource, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    if (bytes == nullptr) return {};
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    std::string text(data, size);
    g_bytes_unref(bytes);
    return text;
}

// Keeps the dialog above an application's X11 window. A window that is gone is ignored.
void SetForeignParent(GtkWidget* dialog, unsigned long xid) {
    GdkDisplay* display = gtk_widget_get_display(dialog);
    if (xid == 0 || !GDK_IS_X11_DISPLAY(display)) return;
    gtk_widget_realize(dialog);
    gdk_x11_display_error_trap_push(display);
    GdkWindow* parent = gdk_x11_window_foreign_new_for_display(display, xid);
    if (parent != nullptr) {
        gdk_window_set_transient_for(gtk_widget_get_window(dialog), parent);
        g_object_unref(parent);
    }
    gdk_x11_display_error_trap_pop_ignored(display);
}

}  // namespace

DialogWindow::DialogWindow(const char* resource) {
    const std::string layout = TranslateLayout(LayoutText(resource), Catalog::ForUser());
    m_builder = gtk_builder_new_from_string(layout.c_str(), static_cast<gssize>(layout.size()));
    m_dialog = GTK_WIDGET(gtk_builder_get_object(m_builder, "dialog"));
}

DialogWindow::~DialogWindow() {
    gtk_widget_destroy(m_dialog);
    g_object_unref(m_builder);
}

GObject* DialogWindow::Object(const char* id) const {
    GObject* object = gtk_builder_get_object(m_builder, id);
    if (object == nullptr) g_error("dialog layout lacks '%s'", id);
    return object;
}

int DialogWindow::Run(unsigned long parentXid, const std::function<bool()>& acceptOk) {
    gtk_window_set_modal(GTK_WINDOW(m_dialog), TRUE);
    gtk_window_set_position(GTK_WINDOW(m_dialog), GTK_WIN_POS_CENTER);
    SetForeignParent(m_dialog, parentXid);
    int response = GTK_RESPONSE_NONE;
    do {
        response = gtk_dialog_run(GTK_DIALOG(m_dialog));
    } while (response == GTK_RESPONSE_OK && acceptOk && !acceptOk());
    gtk_widget_hide(m_dialog);
    return response == GTK_RESPONSE_OK ? kDialogOk : kDialogCancel;
}

}  // namespace kelvra::dialogs::gtk
