// The analog dialog: gains, exposure, mirroring, automatic exposure and the camera's optional
// controls, each sent to the camera at once; the front restores the camera on Cancel.
#pragma once

#include <vector>

#include "gtk/DialogWindow.h"
#include "gtk/ExposureText.h"
#include "gtk/IdleRefresh.h"
#include "settings/dialogs/DialogHost.h"

namespace kelvra::dialogs::gtk {

class AnalogDialog final : public RefreshObserver {
  public:
    explicit AnalogDialog(AnalogDialogHost& host);
    int Run(unsigned long parentXid);

    // Acquisition thread: automatic exposure or gain changed the camera.
    void ValuesChanged() override { m_refresh.Post(); }

  private:
    void Bind();
    void ShowSupported();
    void Refresh();
    void RefreshValues();
    void ShowExposure();
    void ShowExposureSeconds();
    void ApplyExposureSeconds();
    void Set(AnalogValue value, int32_t setting);
    TimeUnit SelectedUnit() const;

    static void OnValue(GtkAdjustment* adjustment, gpointer self);
    static void OnCheck(GtkToggleButton* button, gpointer self);
    static void OnAutoIris(GtkToggleButton* button, gpointer self);
    static void OnGainMode(GtkComboBox* box, gpointer self);
    static void OnUnit(GtkComboBox* box, gpointer self);
    static void OnSecondsEntered(GtkEntry* entry, gpointer self);
    static gboolean OnSecondsLeft(GtkWidget* entry, GdkEvent* event, gpointer self);
    static void OnDefaults(GtkButton* button, gpointer self);

    AnalogDialogHost& m_host;
    AnalogCapabilities m_caps;
    DialogWindow m_window;
    IdleRefresh m_refresh;
    std::vector<TimeUnit> m_units;  // the unit list's entries
    bool m_refreshing = false;
};

}  // namespace kelvra::dialogs::gtk
