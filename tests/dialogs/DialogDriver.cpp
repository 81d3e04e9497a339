#include "dialogs/DialogDriver.h"

#include <cstring>

namespace kelvra::test {
namespace {

constexpr guint kTickMs = 20;
// Generous: sanitizer builds are slow, and a frame may take a while to change a value.
constexpr auto kStepLimit = std::chrono::seconds(20);

// The library's dialog: a shown top-level whose layout id is "dialog".
GtkWidget* ShownDialog() {
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next) {
        GtkWidget* widget = GTK_WIDGET(w->data);
        const char* name = gtk_buildable_get_name(GTK_BUILDABLE(widget));
        if (name != nullptr && std::strcmp(name, "dialog") == 0 && gtk_widget_get_mapped(widget)) {
            found = widget;
        }
    }
    g_list_free(windows);
    return found;
}

void AddChild(GtkWidget* widget, gpointer list) {
    static_cast<std::vector<GtkWidget*>*>(list)->push_back(widget);
}

}  // namespace

GtkWidget* OpenDialog::Search(GtkWidget* widget, const char* id) {
    const char* name = gtk_buildable_get_name(GTK_BUILDABLE(widget));
    if (name != nullptr && std::strcmp(name, id) == 0) return widget;
    if (!GTK_IS_CONTAINER(widget)) return nullptr;
    std::vector<GtkWidget*> children;
    gtk_container_forall(GTK_CONTAINER(widget), AddChild, &children);
    if (GTK_IS_NOTEBOOK(widget)) {
        for (int i = 0; i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(widget)); ++i) {
            GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(widget), i);
            children.push_back(gtk_notebook_get_tab_label(GTK_NOTEBOOK(widget), page));
        }
    }
    for (GtkWidget* child : children) {
        if (GtkWidget* found = Search(child, id)) return found;
    }
    return nullptr;
}

GtkWidget* OpenDialog::Find(const char* id) const {
    GtkWidget* widget = Search(dialog_, id);
    EXPECT_NE(widget, nullptr) << "the dialog has no '" << id << "'";
    if (widget == nullptr) throw std::runtime_error(std::string("no widget ") + id);
    return widget;
}

std::string OpenDialog::Text(const char* id) const {
    GtkWidget* widget = Find(id);
    if (GTK_IS_LABEL(widget)) return gtk_label_get_text(GTK_LABEL(widget));
    if (GTK_IS_ENTRY(widget)) return gtk_entry_get_text(GTK_ENTRY(widget));
    if (GTK_IS_BUTTON(widget)) return gtk_button_get_label(GTK_BUTTON(widget));
    return {};
}

std::vector<std::string> OpenDialog::Tabs() const {
    GtkNotebook* pages = GTK_NOTEBOOK(Find("pages"));
    std::vector<std::string> tabs;
    for (int i = 0; i < gtk_notebook_get_n_pages(pages); ++i) {
        tabs.push_back(gtk_notebook_get_tab_label_text(pages, gtk_notebook_get_nth_page(pages, i)));
    }
    return tabs;
}

std::vector<std::string> OpenDialog::Entries(const char* combo) const {
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(Find(combo)));
    std::vector<std::string> entries;
    GtkTreeIter row;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &row); more;
         more = gtk_tree_model_iter_next(model, &row)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &row, 0, &text, -1);
        entries.push_back(text != nullptr ? text : "");
        g_free(text);
    }
    return entries;
}

void OpenDialog::Type(const char* entry, const char* text) {
    GtkWidget* widget = Find(entry);
    gtk_entry_set_text(GTK_ENTRY(widget), text);
    g_signal_emit_by_name(widget, "activate");
}

bool OpenDialog::Shoot(const std::string& path) const {
    GdkWindow* window = gtk_widget_get_window(dialog_);
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window),
                                                 gdk_window_get_height(window));
    if (shot == nullptr) return false;
    const bool saved = gdk_pixbuf_save(shot, path.c_str(), "png", nullptr, nullptr) != FALSE;
    g_object_unref(shot);
    return saved;
}

DialogScript::DialogScript() {
    deadline_ = std::chrono::steady_clock::now() + kStepLimit;
    source_ = g_timeout_add(kTickMs, Tick, this);
}

DialogScript::~DialogScript() {
    if (source_ != 0) g_source_remove(source_);
}

DialogScript& DialogScript::Do(std::function<void(OpenDialog&)> action) {
    steps_.push_back([action = std::move(action)](OpenDialog& dialog) {
        action(dialog);
        return true;
    });
    return *this;
}

DialogScript& DialogScript::Press(const char* id) {
    const std::string button = id;
    return Do([button](OpenDialog& dialog) { dialog.Click(button.c_str()); });
}

gboolean DialogScript::Tick(gpointer self) {
    auto* script = static_cast<DialogScript*>(self);
    if (script->Advance()) return G_SOURCE_CONTINUE;
    script->source_ = 0;
    return G_SOURCE_REMOVE;
}

// One round: the dialog must be shown; steps run until one is not done yet. After the last
// step the dialog must close; one left open past the limit is cancelled.
bool DialogScript::Advance() {
    GtkWidget* shown = ShownDialog();
    const bool late = std::chrono::steady_clock::now() > deadline_;
    if (shown == nullptr) {
        if (late && !finished_) ADD_FAILURE() << "the dialog did not appear";
        return !late || finished_;
    }
    thread_ = g_thread_self();
    OpenDialog dialog(shown);
    bool broken = false;
    try {
        while (next_ < steps_.size()) {
            if (!steps_[next_](dialog)) break;
            ++next_;
            deadline_ = std::chrono::steady_clock::now() + kStepLimit;
        }
    } catch (const std::exception&) {
        broken = true;
    }
    finished_ = next_ == steps_.size();
    if (broken || std::chrono::steady_clock::now() > deadline_) {
        ADD_FAILURE() << (finished_ ? "the dialog stayed open after its last step"
                                    : "a step of the dialog script never finished");
        gtk_dialog_response(GTK_DIALOG(shown), GTK_RESPONSE_CANCEL);
    }
    return true;
}

}  // namespace kelvra::test
