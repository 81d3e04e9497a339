#include "gtk/AnalogDialog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gtk/Catalog.h"

namespace kelvra::dialogs::gtk {
namespace {

// A camera value shown as a track bar and a spin button sharing "<name>_adj", with the range
// the camera gives.
struct SliderRow {
    const char* name;
    AnalogValue value;
    ValueRange AnalogCapabilities::*range;
};

constexpr SliderRow kRows[] = {
    {"global_gain", AnalogValue::kGlobalGain, &AnalogCapabilities::gain},
    {"color_g1", AnalogValue::kColorG1, &AnalogCapabilities::colorGain},
    {"color_r", AnalogValue::kColorR, &AnalogCapabilities::colorGain},
    {"color_b", AnalogValue::kColorB, &AnalogCapabilities::colorGain},
    {"color_g2", AnalogValue::kColorG2, &AnalogCapabilities::colorGain},
    {"exposure", AnalogValue::kExposure, &AnalogCapabilities::exposure},
    {"black_level", AnalogValue::kBlackLevel, &AnalogCapabilities::blackLevel},
};

struct CheckBox {
    const char* id;
    AnalogValue value;
};

constexpr CheckBox kChecks[] = {
    {"mirror_v", AnalogValue::kMirrorV},
    {"mirror_h", AnalogValue::kMirrorH},
    {"peltier", AnalogValue::kCooler},
    {"short_exposure", AnalogValue::kShortExposure},
};

// Automatic control modes behind the two "Auto Iris" boxes.
constexpr int32_t kIrisOff = 0, kIrisExposure = 1, kIrisGain = 2;
// The exposure's sensor units are 0.1 ms.
constexpr double kUnitsPerMs = 10.0;

constexpr char kValueKey[] = "kelvra-value";

void Tag(gpointer object, AnalogValue value) {
    g_object_set_data(G_OBJECT(object), kValueKey, GINT_TO_POINTER(static_cast<int>(value)));
}

AnalogValue TaggedValue(gpointer object) {
    return static_cast<AnalogValue>(
        GPOINTER_TO_INT(g_object_get_data(G_OBJECT(object), kValueKey)));
}

std::string Id(const char* name, const char* suffix) {
    return std::string(name) + suffix;
}

}  // namespace

AnalogDialog::AnalogDialog(AnalogDialogHost& host)
    : m_host(host),
      m_caps(host.Capabilities()),
      m_window("/com/kelvra/dialogs/analog.ui"),
      m_refresh([this] { RefreshValues(); }) {
    Bind();
    ShowSupported();
    Refresh();
}

int AnalogDialog::Run(unsigned long parentXid) {
    m_host.SetObserver(this);
    const int result = m_window.Run(parentXid);
    m_host.SetObserver(nullptr);
    m_refresh.Cancel();
    return result;
}

void AnalogDialog::Bind() {
    for (const SliderRow& row : kRows) {
        GtkAdjustment* adjustment = m_window.Adjustment(Id(row.name, "_adj").c_str());
        const ValueRange& range = m_caps.*row.range;
        gtk_adjustment_configure(adjustment, range.min, range.min, range.max, 1, 10, 0);
        Tag(adjustment, row.value);
        Connect(adjustment, "value-changed", OnValue, this);
    }
    for (const CheckBox& check : kChecks) {
        Tag(m_window.Object(check.id), check.value);
        Connect(m_window.Object(check.id), "toggled", OnCheck, this);
    }
    Connect(m_window.Object("iris_gain"), "toggled", OnAutoIris, this);
    Connect(m_window.Object("iris_exposure"), "toggled", OnAutoIris, this);
    Connect(m_window.Object("gain_mode"), "changed", OnGainMode, this);
    Connect(m_window.Object("default_button"), "clicked", OnDefaults, this);

    if (m_caps.exposureSeconds) {
        GtkComboBoxText* units = GTK_COMBO_BOX_TEXT(m_window.Widget("exposure_ex_unit"));
        for (int u = static_cast<int>(UnitOf(m_caps.secondsMin));
             u <= static_cast<int>(UnitOf(m_caps.secondsMax)); ++u) {
            m_units.push_back(static_cast<TimeUnit>(u));
            gtk_combo_box_text_append_text(units, UnitLabel(static_cast<TimeUnit>(u)));
        }
        gtk_label_set_text(GTK_LABEL(m_window.Widget("exposure_ex_range")),
                           RangeText(m_caps.secondsMin, m_caps.secondsMax).c_str());
        Connect(units, "changed", OnUnit, this);
        Connect(m_window.Object("exposure_ex_entry"), "activate", OnSecondsEntered, this);
        Connect(m_window.Object("exposure_ex_entry"), "focus-out-event", OnSecondsLeft, this);
    }
}

// The colour page's four gains or the monochrome page's extras, each only where the camera has
// it; the exposure either as a track bar in 0.1 ms or in seconds with a unit.
void AnalogDialog::ShowSupported() {
    auto show = [&](const char* id, bool visible) {
        gtk_widget_set_visible(m_window.Widget(id), visible);
        gtk_widget_set_no_show_all(m_window.Widget(id), !visible);
    };
    const bool mono = !m_caps.color;
    show("color_box", m_caps.color);
    show("exposure_box", !m_caps.exposureSeconds);
    show("exposure_ex_box", m_caps.exposureSeconds);
    show("peltier", mono && m_caps.cooler);
    show("black_level_box", mono && m_caps.blackLevelSupported);
    show("short_exposure", mono && m_caps.shortExposure);
    show("gain_mode_box", mono && m_caps.gainMode);
}

// Everything, the camera's optional states included (those are read from the camera).
void AnalogDialog::Refresh() {
    RefreshValues();
    m_refreshing = true;
    for (const CheckBox& check : kChecks) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_window.Widget(check.id)),
                                     m_host.Get(check.value) != 0);
    }
    if (m_caps.gainMode) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(m_window.Widget("gain_mode")),
                                 m_host.Get(AnalogValue::kGainMode));
    }
    m_refreshing = false;
}

// The values kept in the front's settings: gains, exposure, automatic control.
void AnalogDialog::RefreshValues() {
    m_refreshing = true;
    for (const SliderRow& row : kRows) {
        gtk_adjustment_set_value(m_window.Adjustment(Id(row.name, "_adj").c_str()),
                                 m_host.Get(row.value));
    }
    const int32_t iris = m_host.Get(AnalogValue::kAutoIris);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_window.Widget("iris_exposure")),
                                 iris == kIrisExposure);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_window.Widget("iris_gain")),
                                 iris == kIrisGain);
    ShowExposure();
    if (m_caps.exposureSeconds) {
        const TimeUnit current = UnitOf(m_host.ExposureSeconds());
        int index = 0;
        for (size_t i = 0; i < m_units.size(); ++i) {
            if (m_units[i] <= current) index = static_cast<int>(i);
        }
        gtk_combo_box_set_active(GTK_COMBO_BOX(m_window.Widget("exposure_ex_unit")), index);
        ShowExposureSeconds();
    }
    m_refreshing = false;
}

void AnalogDialog::ShowExposure() {
    char text[64];
    std::snprintf(text, sizeof text, "=%.2fms",
                  gtk_adjustment_get_value(m_window.Adjustment("exposure_adj")) / kUnitsPerMs);
    gtk_label_set_text(GTK_LABEL(m_window.Widget("exposure_ms")), text);
}

void AnalogDialog::ShowExposureSeconds() {
    gtk_entry_set_text(GTK_ENTRY(m_window.Widget("exposure_ex_entry")),
                       FormatIn(m_host.ExposureSeconds(), SelectedUnit()).c_str());
}

TimeUnit AnalogDialog::SelectedUnit() const {
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(m_window.Widget("exposure_ex_unit")));
    if (index < 0 || index >= static_cast<int>(m_units.size())) return TimeUnit::kSeconds;
    return m_units[static_cast<size_t>(index)];
}

// The typed number in the chosen unit; text that is no number puts the camera's value back.
void AnalogDialog::ApplyExposureSeconds() {
    const char* text = gtk_entry_get_text(GTK_ENTRY(m_window.Widget("exposure_ex_entry")));
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end != text && value > 0.0) {
        m_host.SetExposureSeconds(value * SecondsPer(SelectedUnit()));
        RefreshValues();
    } else {
        ShowExposureSeconds();
    }
}

void AnalogDialog::Set(AnalogValue value, int32_t setting) {
    if (m_refreshing) return;
    m_host.Set(value, setting);
    // What was stored: the camera may have refused, and the global gain sets the colour gains.
    RefreshValues();
}

void AnalogDialog::OnValue(GtkAdjustment* adjustment, gpointer self) {
    auto* dialog = static_cast<AnalogDialog*>(self);
    dialog->Set(TaggedValue(adjustment),
                static_cast<int32_t>(gtk_adjustment_get_value(adjustment)));
    dialog->ShowExposure();
}

void AnalogDialog::OnCheck(GtkToggleButton* button, gpointer self) {
    static_cast<AnalogDialog*>(self)->Set(TaggedValue(button),
                                          gtk_toggle_button_get_active(button) ? 1 : 0);
}

// The two boxes are one setting: checking one clears the other, clearing both turns it off.
void AnalogDialog::OnAutoIris(GtkToggleButton* button, gpointer self) {
    auto* dialog = static_cast<AnalogDialog*>(self);
    if (dialog->m_refreshing) return;
    const bool gain = button == GTK_TOGGLE_BUTTON(dialog->m_window.Widget("iris_gain"));
    int32_t mode = kIrisOff;
    if (gtk_toggle_button_get_active(button)) mode = gain ? kIrisGain : kIrisExposure;
    dialog->Set(AnalogValue::kAutoIris, mode);
}

void AnalogDialog::OnGainMode(GtkComboBox* box, gpointer self) {
    const int mode = gtk_combo_box_get_active(box);
    if (mode >= 0) static_cast<AnalogDialog*>(self)->Set(AnalogValue::kGainMode, mode);
}

void AnalogDialog::OnUnit(GtkComboBox*, gpointer self) {
    static_cast<AnalogDialog*>(self)->ShowExposureSeconds();
}

void AnalogDialog::OnSecondsEntered(GtkEntry*, gpointer self) {
    static_cast<AnalogDialog*>(self)->ApplyExposureSeconds();
}

gboolean AnalogDialog::OnSecondsLeft(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<AnalogDialog*>(self)->ApplyExposureSeconds();
    return FALSE;
}

void AnalogDialog::OnDefaults(GtkButton*, gpointer self) {
    auto* dialog = static_cast<AnalogDialog*>(self);
    dialog->m_host.Defaults();
    dialog->Refresh();
}

}  // namespace kelvra::dialogs::gtk
