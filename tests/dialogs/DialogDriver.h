// Drives a library dialog the way a person would, through GTK's own API from inside the
// dialog's loop: a script of steps runs on a GLib timer on the default main context, which is
// the context the dialog's modal loop turns. Widgets are found by their layout ids.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kelvra::test {

// The open dialog, as the script's steps see it.
class OpenDialog {
  public:
    explicit OpenDialog(GtkWidget* dialog) : dialog_(dialog) {}

    GtkWidget* Find(const char* id) const;
    bool Has(const char* id) const { return Search(dialog_, id) != nullptr; }
    std::string Title() const { return gtk_window_get_title(GTK_WINDOW(dialog_)); }
    std::string Text(const char* id) const;  // label, button or entry text
    std::vector<std::string> Tabs() const;
    std::vector<std::string> Entries(const char* combo) const;
    int Active(const char* combo) const {
        return gtk_combo_box_get_active(GTK_COMBO_BOX(Find(combo)));
    }
    double Value(const char* spin) const {
        return gtk_spin_button_get_value(GTK_SPIN_BUTTON(Find(spin)));
    }
    bool Checked(const char* id) const {
        return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(Find(id)));
    }
    bool Sensitive(const char* id) const { return gtk_widget_is_sensitive(Find(id)); }
    bool Shown(const char* id) const { return gtk_widget_is_visible(Find(id)); }

    void SetValue(const char* spin, double value) {
        gtk_spin_button_set_value(GTK_SPIN_BUTTON(Find(spin)), value);
    }
    void Check(const char* id, bool on) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Find(id)), on ? TRUE : FALSE);
    }
    void Select(const char* combo, int index) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(Find(combo)), index);
    }
    void Click(const char* id) { gtk_button_clicked(GTK_BUTTON(Find(id))); }
    void Type(const char* entry, const char* text);  // and Enter
    // Saves what the dialog shows as a PNG.
    bool Shoot(const std::string& path) const;

    GtkWidget* Widget() const { return dialog_; }

  private:
    static GtkWidget* Search(GtkWidget* widget, const char* id);
    GtkWidget* dialog_;
};

// Steps run in order, each once the previous one is done; a step returning false is tried again
// at the next tick. The script ends by pressing OK or Cancel. A step still not done after the
// time limit, or a dialog still open after the last step, fails the test and cancels the dialog,
// so that a broken dialog never hangs a test.
class DialogScript {
  public:
    using Step = std::function<bool(OpenDialog&)>;

    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // A step that is done at once.
    DialogScript& Do(std::function<void(OpenDialog&)> action);
    DialogScript& Until(Step condition) {
        steps_.push_back(std::move(condition));
        return *this;
    }
    DialogScript& Ok() { return Press("ok_button"); }
    DialogScript& Cancel() { return Press("cancel_button"); }
    DialogScript& Press(const char* id);

    bool Finished() const { return finished_; }
    // The thread that ran the steps.
    GThread* Thread() const { return thread_; }

  private:
    static gboolean Tick(gpointer self);
    bool Advance();

    std::vector<Step> steps_;
    size_t next_ = 0;
    bool finished_ = false;
    GThread* thread_ = nullptr;
    guint source_ = 0;
    std::chrono::steady_clock::time_point deadline_;
};

}  // namespace kelvra::test
