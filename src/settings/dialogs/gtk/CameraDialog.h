// The stream format dialog: output format, size presets, subsampling, wait time and clock, read
// from the settings store when it opens and written back by Apply and OK.
#pragma once

#include <vector>

#include "gtk/DialogWindow.h"
#include "settings/dialogs/DialogHost.h"

namespace kelvra::dialogs::gtk {

class CameraDialog {
  public:
    explicit CameraDialog(CameraDialogHost& host);
    int Run(unsigned long parentXid);

  private:
    void FillFormats();
    void FillSizes(int selected);
    void SelectInitialValues();
    void ShowPreset(int index);
    void EnableWindowControls();
    void Changed();
    bool HalfSkipSelected() const;
    void SelectFullSensorPreset();
    bool ReadEdits(settings::ReadoutWindow* window);
    int StorePreset(const settings::ReadoutWindow& window);
    bool Commit();
    void Say(const char* message);

    static void OnFormat(GtkComboBox* box, gpointer self);
    static void OnSize(GtkComboBox* box, gpointer self);
    static void OnSubSample(GtkComboBox* box, gpointer self);
    static void OnEdit(GtkAdjustment* adjustment, gpointer self);
    static void OnApply(GtkButton* button, gpointer self);

    CameraDialogHost& m_host;
    StreamCapabilities m_caps;
    StreamValues m_values;
    DialogWindow m_window;
    std::vector<int32_t> m_formats;  // the format code of each entry of the format list
    bool m_loading = false;          // controls being filled: not a change by the user
};

}  // namespace kelvra::dialogs::gtk
