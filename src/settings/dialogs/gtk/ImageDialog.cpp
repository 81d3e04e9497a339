#include "gtk/ImageDialog.h"

#include <string>

namespace kelvra::dialogs::gtk {
namespace {

// A setting shown as a track bar and a spin button sharing one adjustment ("<name>_adj",
// "<name>_scale"), ticks every `tick`, ranges in the layout.
struct SliderRow {
    const char* name;
    ImageValue value;
    int tick;
    bool colourOnly;
};

constexpr SliderRow kFilterRows[] = {
    {"brightness", ImageValue::kBrightness, 64, false},
    {"contrast", ImageValue::kContrast, 32, false},
    {"hue", ImageValue::kHue, 90, true},
    {"saturation", ImageValue::kSaturation, 64, true},
    {"sharpness", ImageValue::kSharpness, 4, false},
    {"red_gain", ImageValue::kRedGain, 32, true},
    {"green_gain", ImageValue::kGreenGain, 32, true},
    {"blue_gain", ImageValue::kBlueGain, 32, true},
    {"gamma", ImageValue::kGamma, 32, false},
};

constexpr SliderRow kGrayRows[] = {
    {"gray_gain_r", ImageValue::kGrayGainR, 32, false},
    {"gray_gain_g1", ImageValue::kGrayGainG1, 32, false},
    {"gray_gain_g2", ImageValue::kGrayGainG2, 32, false},
    {"gray_gain_b", ImageValue::kGrayGainB, 32, false},
    {"gray_offset_r", ImageValue::kGrayOffsetR, 32, false},
    {"gray_offset_g1", ImageValue::kGrayOffsetG1, 32, false},
    {"gray_offset_g2", ImageValue::kGrayOffsetG2, 32, false},
    {"gray_offset_b", ImageValue::kGrayOffsetB, 32, false},
};

// Radio buttons "<prefix><n>" choosing value n.
struct RadioGroup {
    const char* prefix;
    ImageValue value;
    int count;
};

constexpr RadioGroup kRadioGroups[] = {
    {"bayer_mode_", ImageValue::kBayerMode, 4},
    {"gray_bayer_mode_", ImageValue::kBayerMode, 4},
    {"gray_mode_", ImageValue::kGrayMode, 3},
};

constexpr const char* kColourOnlyWidgets[] = {"wb_once", "wb_all", "bayer_box"};

constexpr int32_t kNeutralFilter = 0;
constexpr int32_t kNeutralGain = 100;
constexpr int32_t kDefaultBayerMode = 3;
constexpr int32_t kNeutralGray = 128;

constexpr char kValueKey[] = "kelvra-value";
constexpr char kChoiceKey[] = "kelvra-choice";

void Tag(gpointer object, ImageValue value, int choice = 0) {
    g_object_set_data(G_OBJECT(object), kValueKey, GINT_TO_POINTER(static_cast<int>(value)));
    g_object_set_data(G_OBJECT(object), kChoiceKey, GINT_TO_POINTER(choice));
}

ImageValue TaggedValue(gpointer object) {
    return static_cast<ImageValue>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(object), kValueKey)));
}

void AddTicks(GtkScale* scale, GtkAdjustment* adjustment, int tick) {
    const int lower = static_cast<int>(gtk_adjustment_get_lower(adjustment));
    const int upper = static_cast<int>(gtk_adjustment_get_upper(adjustment));
    for (int mark = lower - lower % tick; mark <= upper; mark += tick) {
        if (mark >= lower) gtk_scale_add_mark(scale, mark, GTK_POS_BOTTOM, nullptr);
    }
}

std::string Id(const char* prefix, const char* suffix) {
    return std::string(prefix) + suffix;
}

}  // namespace

ImageDialog::ImageDialog(ImageDialogHost& host)
    : m_host(host), m_window("/com/kelvra/dialogs/image.ui"), m_refresh([this] { Refresh(); }) {
    m_monochrome = m_host.Monochrome();
    Bind();
    EnableForOutput();
    Refresh();
}

int ImageDialog::Run(unsigned long parentXid) {
    m_host.SetObserver(this);
    const int result = m_window.Run(parentXid);
    m_host.SetObserver(nullptr);
    m_refresh.Cancel();
    return result;
}

void ImageDialog::Bind() {
    auto bindRows = [&](const SliderRow* rows, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            GtkAdjustment* adjustment = m_window.Adjustment(Id(rows[i].name, "_adj").c_str());
            Tag(adjustment, rows[i].value);
            AddTicks(GTK_SCALE(m_window.Widget(Id(rows[i].name, "_scale").c_str())), adjustment,
                     rows[i].tick);
            Connect(adjustment, "value-changed", OnValue, this);
        }
    };
    bindRows(kFilterRows, std::size(kFilterRows));
    bindRows(kGrayRows, std::size(kGrayRows));
    for (const RadioGroup& group : kRadioGroups) {
        for (int n = 0; n < group.count; ++n) {
            GtkWidget* radio = m_window.Widget((group.prefix + std::to_string(n)).c_str());
            Tag(radio, group.value, n);
            Connect(radio, "toggled", OnRadio, this);
        }
    }
    Tag(m_window.Object("wb_all"), ImageValue::kWhiteBalanceAll);
    Connect(m_window.Object("wb_all"), "toggled", OnCheck, this);
    Tag(m_window.Object("gray_all"), ImageValue::kAutoGrayAll);
    Connect(m_window.Object("gray_all"), "toggled", OnCheck, this);
    Connect(m_window.Object("wb_once"), "clicked", OnWhiteBalanceOnce, this);
    Connect(m_window.Object("gray_once"), "clicked", OnAutoGrayOnce, this);
    Connect(m_window.Object("default_button"), "clicked", OnDefaults, this);
}

// Grey output: only brightness, contrast, sharpness and gamma apply, and the grey page is
// there. Colour output: everything on the filter page, no grey page.
void ImageDialog::EnableForOutput() {
    for (const SliderRow& row : kFilterRows) {
        if (!row.colourOnly) continue;
        for (const char* suffix : {"_label", "_scale", "_spin"}) {
            gtk_widget_set_sensitive(m_window.Widget(Id(row.name, suffix).c_str()), !m_monochrome);
        }
    }
    for (const char* id : kColourOnlyWidgets) {
        gtk_widget_set_sensitive(m_window.Widget(id), !m_monochrome);
    }
    if (!m_monochrome) {
        GtkNotebook* pages = GTK_NOTEBOOK(m_window.Widget("pages"));
        gtk_notebook_remove_page(pages, gtk_notebook_page_num(pages, m_window.Widget("gray_page")));
    }
}

void ImageDialog::Refresh() {
    m_refreshing = true;
    auto showRows = [&](const SliderRow* rows, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            gtk_adjustment_set_value(m_window.Adjustment(Id(rows[i].name, "_adj").c_str()),
                                     m_host.Get(rows[i].value));
        }
    };
    showRows(kFilterRows, std::size(kFilterRows));
    showRows(kGrayRows, std::size(kGrayRows));
    for (const RadioGroup& group : kRadioGroups) {
        const int32_t chosen = m_host.Get(group.value);
        if (chosen < 0 || chosen >= group.count) continue;
        GtkWidget* radio = m_window.Widget((group.prefix + std::to_string(chosen)).c_str());
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio), TRUE);
    }
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_window.Widget("wb_all")),
                                 m_host.Get(ImageValue::kWhiteBalanceAll) != 0);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_window.Widget("gray_all")),
                                 m_host.Get(ImageValue::kAutoGrayAll) != 0);
    m_refreshing = false;
}

void ImageDialog::Set(ImageValue value, int32_t setting) {
    if (!m_refreshing) m_host.Set(value, setting);
}

// Brightness, contrast, hue, saturation and sharpness 0, the three gains and gamma 100, Bayer
// mode 3 and, with the grey page, every grey gain and offset 128.
void ImageDialog::Defaults() {
    for (ImageValue value : {ImageValue::kBrightness, ImageValue::kContrast, ImageValue::kHue,
                             ImageValue::kSaturation, ImageValue::kSharpness}) {
        m_host.Set(value, kNeutralFilter);
    }
    for (ImageValue value : {ImageValue::kRedGain, ImageValue::kGreenGain, ImageValue::kBlueGain,
                             ImageValue::kGamma}) {
        m_host.Set(value, kNeutralGain);
    }
    m_host.Set(ImageValue::kBayerMode, kDefaultBayerMode);
    if (m_monochrome) {
        for (const SliderRow& row : kGrayRows) m_host.Set(row.value, kNeutralGray);
    }
    Refresh();
}

void ImageDialog::OnValue(GtkAdjustment* adjustment, gpointer self) {
    static_cast<ImageDialog*>(self)->Set(
        TaggedValue(adjustment), static_cast<int32_t>(gtk_adjustment_get_value(adjustment)));
}

void ImageDialog::OnRadio(GtkToggleButton* button, gpointer self) {
    auto* dialog = static_cast<ImageDialog*>(self);
    if (!gtk_toggle_button_get_active(button) || dialog->m_refreshing) return;
    dialog->Set(TaggedValue(button),
                GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), kChoiceKey)));
    // The other page's Bayer buttons show the same setting.
    dialog->Refresh();
}

void ImageDialog::OnCheck(GtkToggleButton* button, gpointer self) {
    static_cast<ImageDialog*>(self)->Set(TaggedValue(button),
                                         gtk_toggle_button_get_active(button) ? 1 : 0);
}

// Measure once: the check box for every frame goes off without switching the balance off.
void ImageDialog::OnWhiteBalanceOnce(GtkButton*, gpointer self) {
    auto* dialog = static_cast<ImageDialog*>(self);
    dialog->m_host.WhiteBalanceOnce();
    dialog->Refresh();
}

void ImageDialog::OnAutoGrayOnce(GtkButton*, gpointer self) {
    auto* dialog = static_cast<ImageDialog*>(self);
    dialog->m_host.AutoGrayOnce();
    dialog->Refresh();
}

void ImageDialog::OnDefaults(GtkButton*, gpointer self) {
    static_cast<ImageDialog*>(self)->Defaults();
}

}  // namespace kelvra::dialogs::gtk
