#include "gtk/CameraDialog.h"

#include <cstdio>
#include <string>

#include "gtk/Catalog.h"

namespace kelvra::dialogs::gtk {
namespace {

// The sensor: presets must fit it.
constexpr int32_t kSensorWidth = 1280;
constexpr int32_t kSensorHeight = 1024;
constexpr int32_t kMaxPresets = 100;
// Format codes in the order of the list.
constexpr int32_t kMono8 = 0, kMono16 = 1, kColor24 = 2, kColor32 = 3, kColor48 = 4, kColor64 = 5;
// Bits of the camera's 16-bit samples, named in the list.
constexpr int kSampleBits = 12;
constexpr int32_t kSubSampleHalfSkip = 1;
// The clock list is fixed at "High": the camera has one pixel clock.
constexpr int kClockHigh = 2;
constexpr int kHighClockMHz = 54;

// The six edits in the order of the readout window's fields.
struct Edit {
    const char* adjustment;
    int32_t settings::ReadoutWindow::*field;
    bool horizontal;
};

constexpr Edit kEdits[] = {
    {"th_adj", &settings::ReadoutWindow::TH, true},
    {"tv_adj", &settings::ReadoutWindow::TV, false},
    {"eh_adj", &settings::ReadoutWindow::EH, true},
    {"ev_adj", &settings::ReadoutWindow::EV, false},
    {"ehs_adj", &settings::ReadoutWindow::EHS, true},
    {"evs_adj", &settings::ReadoutWindow::EVS, false},
};

constexpr const char* kHorizontalSpins[] = {"th_spin", "eh_spin", "ehs_spin"};
constexpr const char* kVerticalSpins[] = {"tv_spin", "ev_spin", "evs_spin"};

std::string SizeLabel(const settings::ReadoutWindow& window) {
    char text[64];
    std::snprintf(text, sizeof text, "%d x %d", window.EH, window.EV);
    return text;
}

bool SameWindow(const settings::ReadoutWindow& a, const settings::ReadoutWindow& b) {
    return a.TH == b.TH && a.TV == b.TV && a.EH == b.EH && a.EV == b.EV && a.EHS == b.EHS &&
           a.EVS == b.EVS;
}

GtkComboBox* Combo(const DialogWindow& window, const char* id) {
    return GTK_COMBO_BOX(window.Widget(id));
}

}  // namespace

CameraDialog::CameraDialog(CameraDialogHost& host)
    : m_host(host),
      m_caps(host.Capabilities()),
      m_values(host.Load()),
      m_window("/com/kelvra/dialogs/camera.ui") {
    m_loading = true;
    FillFormats();
    FillSizes(m_values.size);
    GtkComboBoxText* sub = GTK_COMBO_BOX_TEXT(m_window.Widget("subsample_combo"));
    gtk_combo_box_text_append_text(sub, "1/1");
    gtk_combo_box_text_append_text(sub, "1/2 Skip");
    GtkComboBoxText* clock = GTK_COMBO_BOX_TEXT(m_window.Widget("clock_combo"));
    gtk_combo_box_text_append_text(clock, Tr("Nomal(24MHz)"));
    gtk_combo_box_text_append_text(clock, Tr("Half(12MHz)"));
    char high[32];
    std::snprintf(high, sizeof high, Tr("High(%dMHz)"), kHighClockMHz);
    gtk_combo_box_text_append_text(clock, high);
    gtk_combo_box_set_active(GTK_COMBO_BOX(clock), kClockHigh);
    gtk_widget_set_sensitive(GTK_WIDGET(clock), FALSE);
    SelectInitialValues();
    m_loading = false;

    Connect(m_window.Object("format_combo"), "changed", OnFormat, this);
    Connect(m_window.Object("size_combo"), "changed", OnSize, this);
    Connect(m_window.Object("subsample_combo"), "changed", OnSubSample, this);
    for (const Edit& edit : kEdits)
        Connect(m_window.Object(edit.adjustment), "value-changed", OnEdit, this);
    Connect(m_window.Object("wait_adj"), "value-changed", OnEdit, this);
    Connect(m_window.Object("apply_button"), "clicked", OnApply, this);
    gtk_widget_set_sensitive(m_window.Widget("apply_button"), FALSE);
}

int CameraDialog::Run(unsigned long parentXid) {
    return m_window.Run(parentXid, [this] { return Commit(); });
}

void CameraDialog::FillFormats() {
    GtkComboBoxText* list = GTK_COMBO_BOX_TEXT(m_window.Widget("format_combo"));
    auto add = [&](int32_t code, const std::string& text) {
        m_formats.push_back(code);
        gtk_combo_box_text_append_text(list, text.c_str());
    };
    if (m_caps.eightBit) add(kMono8, Tr("Monochrome 8bit"));
    if (m_caps.sixteenBit) {
        char text[64];
        std::snprintf(text, sizeof text, Tr("Monochrome %dbit *"), kSampleBits);
        add(kMono16, text);
    }
    if (m_caps.color) {
        add(kColor24, Tr("Color 24bit"));
        add(kColor32, Tr("Color 32bit"));
        add(kColor48, Tr("Color 48bit *"));
        add(kColor64, Tr("Color 64bit *"));
    }
}

void CameraDialog::FillSizes(int selected) {
    const bool loading = m_loading;
    m_loading = true;
    GtkComboBoxText* list = GTK_COMBO_BOX_TEXT(m_window.Widget("size_combo"));
    gtk_combo_box_text_remove_all(list);
    for (const settings::ReadoutWindow& preset : m_values.presets) {
        gtk_combo_box_text_append_text(list, SizeLabel(preset).c_str());
    }
    gtk_combo_box_text_append_text(list, Tr("Custom"));
    const int count = static_cast<int>(m_values.presets.size());
    gtk_combo_box_set_active(GTK_COMBO_BOX(list), selected >= 0 && selected < count ? selected : 0);
    ShowPreset(gtk_combo_box_get_active(GTK_COMBO_BOX(list)));
    m_loading = loading;
}

// The stored format, or where it is not offered the first entry (the 16-bit entry on a camera
// without colour output, which is what acquisition would fall back to).
void CameraDialog::SelectInitialValues() {
    int format = -1;
    for (size_t i = 0; i < m_formats.size(); ++i) {
        if (m_formats[i] == m_values.color) format = static_cast<int>(i);
    }
    for (size_t i = 0; format < 0 && !m_caps.color && i < m_formats.size(); ++i) {
        if (m_formats[i] == kMono16) format = static_cast<int>(i);
    }
    gtk_combo_box_set_active(Combo(m_window, "format_combo"), format < 0 ? 0 : format);
    gtk_combo_box_set_active(Combo(m_window, "subsample_combo"),
                             m_values.subSample == kSubSampleHalfSkip ? 1 : 0);
    gtk_adjustment_set_value(m_window.Adjustment("wait_adj"), m_values.waitTime);
    EnableWindowControls();
}

void CameraDialog::ShowPreset(int index) {
    if (index < 0 || index >= static_cast<int>(m_values.presets.size())) return;
    const settings::ReadoutWindow& preset = m_values.presets[static_cast<size_t>(index)];
    for (const Edit& edit : kEdits) {
        gtk_adjustment_set_value(m_window.Adjustment(edit.adjustment), preset.*edit.field);
    }
}

// The size controls follow the subsampling (fixed at full sensor for "1/2 Skip") and what the
// camera can change.
void CameraDialog::EnableWindowControls() {
    const bool free = !HalfSkipSelected();
    for (const char* id : kHorizontalSpins) {
        gtk_widget_set_sensitive(m_window.Widget(id), free && m_caps.horizontalWindow);
    }
    for (const char* id : kVerticalSpins) {
        gtk_widget_set_sensitive(m_window.Widget(id), free && m_caps.verticalWindow);
    }
    gtk_widget_set_sensitive(m_window.Widget("size_combo"),
                             free && (m_caps.horizontalWindow || m_caps.verticalWindow));
}

void CameraDialog::Changed() {
    if (m_loading) return;
    gtk_widget_set_sensitive(m_window.Widget("apply_button"), TRUE);
    Say("");
}

bool CameraDialog::HalfSkipSelected() const {
    return gtk_combo_box_get_active(Combo(m_window, "subsample_combo")) == kSubSampleHalfSkip;
}

// "1/2 Skip" reads the whole sensor: its preset is selected, made first if there is none.
void CameraDialog::SelectFullSensorPreset() {
    settings::ReadoutWindow full;  // 1280 x 1024 at (0, 0)
    int index = -1;
    for (size_t i = 0; i < m_values.presets.size(); ++i) {
        const settings::ReadoutWindow& p = m_values.presets[i];
        if (p.EH == full.EH && p.EV == full.EV && p.EHS == 0 && p.EVS == 0) {
            index = static_cast<int>(i);
            break;
        }
    }
    if (index < 0) index = StorePreset(full);
    FillSizes(index);
}

bool CameraDialog::ReadEdits(settings::ReadoutWindow* window) {
    for (const Edit& edit : kEdits) {
        window->*edit.field =
            static_cast<int32_t>(gtk_adjustment_get_value(m_window.Adjustment(edit.adjustment)));
    }
    return window->EH > 0 && window->EV > 0 && window->EH + window->EHS <= kSensorWidth &&
           window->EV + window->EVS <= kSensorHeight;
}

// A new preset, or the one already holding the same window; with all 100 taken, the last one
// is replaced. Returns its index.
int CameraDialog::StorePreset(const settings::ReadoutWindow& window) {
    for (size_t i = 0; i < m_values.presets.size(); ++i) {
        if (SameWindow(m_values.presets[i], window)) return static_cast<int>(i);
    }
    if (static_cast<int>(m_values.presets.size()) >= kMaxPresets) m_values.presets.pop_back();
    m_values.presets.push_back(window);
    return static_cast<int>(m_values.presets.size()) - 1;
}

// Apply and OK: the selected preset takes the edits ("Custom" makes a new one) and everything
// is written. A window that does not fit the sensor is not stored: acquisition would refuse it
// every time until the settings were edited by hand.
bool CameraDialog::Commit() {
    settings::ReadoutWindow edited;
    if (!ReadEdits(&edited)) {
        Say(Tr("The readout window does not fit the 1280 x 1024 sensor."));
        return false;
    }
    int size = gtk_combo_box_get_active(Combo(m_window, "size_combo"));
    if (size < 0 || size >= static_cast<int>(m_values.presets.size())) {
        size = StorePreset(edited);
    } else {
        settings::ReadoutWindow& preset = m_values.presets[static_cast<size_t>(size)];
        edited.Buf = preset.Buf;
        preset = edited;
    }
    FillSizes(size);
    const int format = gtk_combo_box_get_active(Combo(m_window, "format_combo"));
    if (format >= 0) m_values.color = m_formats[static_cast<size_t>(format)];
    m_values.size = size;
    m_values.subSample = HalfSkipSelected() ? kSubSampleHalfSkip : 0;
    m_values.clock = gtk_combo_box_get_active(Combo(m_window, "clock_combo"));
    m_values.waitTime =
        static_cast<int32_t>(gtk_adjustment_get_value(m_window.Adjustment("wait_adj")));
    if (!m_host.Save(m_values)) {
        Say(Tr("The settings could not be saved."));
        return false;
    }
    gtk_widget_set_sensitive(m_window.Widget("apply_button"), FALSE);
    return true;
}

void CameraDialog::Say(const char* message) {
    GtkWidget* status = m_window.Widget("status_label");
    gtk_label_set_text(GTK_LABEL(status), message);
    gtk_widget_set_visible(status, *message != '\0');
}

void CameraDialog::OnFormat(GtkComboBox*, gpointer self) {
    static_cast<CameraDialog*>(self)->Changed();
}

void CameraDialog::OnSize(GtkComboBox* box, gpointer self) {
    auto* dialog = static_cast<CameraDialog*>(self);
    if (dialog->m_loading) return;
    const bool loading = dialog->m_loading;
    dialog->m_loading = true;
    dialog->ShowPreset(gtk_combo_box_get_active(box));
    dialog->m_loading = loading;
    dialog->Changed();
}

void CameraDialog::OnSubSample(GtkComboBox*, gpointer self) {
    auto* dialog = static_cast<CameraDialog*>(self);
    if (dialog->m_loading) return;
    if (dialog->HalfSkipSelected()) dialog->SelectFullSensorPreset();
    dialog->EnableWindowControls();
    dialog->Changed();
}

void CameraDialog::OnEdit(GtkAdjustment*, gpointer self) {
    static_cast<CameraDialog*>(self)->Changed();
}

void CameraDialog::OnApply(GtkButton*, gpointer self) {
    static_cast<CameraDialog*>(self)->Commit();
}

}  // namespace kelvra::dialogs::gtk
