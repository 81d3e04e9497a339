// The image dialog: the "Image Filter" page and, for grey output, the "Gray Filter" page. Every
// change goes into the processing settings at once; the front restores them on Cancel.
#pragma once

#include "gtk/DialogWindow.h"
#include "gtk/IdleRefresh.h"
#include "settings/dialogs/DialogHost.h"

namespace kelvra::dialogs::gtk {

class ImageDialog final : public RefreshObserver {
  public:
    explicit ImageDialog(ImageDialogHost& host);
    int Run(unsigned long parentXid);

    // Acquisition thread: automatic white balance or grey gain changed values.
    void ValuesChanged() override { m_refresh.Post(); }

  private:
    void Bind();
    void EnableForOutput();
    void Refresh();
    void Defaults();
    void Set(ImageValue value, int32_t setting);

    static void OnValue(GtkAdjustment* adjustment, gpointer self);
    static void OnRadio(GtkToggleButton* button, gpointer self);
    static void OnCheck(GtkToggleButton* button, gpointer self);
    static void OnWhiteBalanceOnce(GtkButton* button, gpointer self);
    static void OnAutoGrayOnce(GtkButton* button, gpointer self);
    static void OnDefaults(GtkButton* button, gpointer self);

    ImageDialogHost& m_host;
    DialogWindow m_window;
    IdleRefresh m_refresh;
    bool m_monochrome = false;
    bool m_refreshing = false;  // widgets follow the settings: no writes back
};

}  // namespace kelvra::dialogs::gtk
