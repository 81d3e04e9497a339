// The front object as the settings dialogs see it. Each host lives on the stack of one dialog
// call; its methods run on the dialog's thread and take the front's locks as any export does.
#pragma once

#include "settings/dialogs/DialogHost.h"

namespace kelvra {

class CKelvra;

class FrontCameraDialogHost final : public dialogs::CameraDialogHost {
  public:
    explicit FrontCameraDialogHost(CKelvra& front) : front_(front) {}
    dialogs::StreamCapabilities Capabilities() override;
    dialogs::StreamValues Load() override;
    bool Save(const dialogs::StreamValues& values) override;

  private:
    CKelvra& front_;
};

class FrontImageDialogHost final : public dialogs::ImageDialogHost {
  public:
    explicit FrontImageDialogHost(CKelvra& front) : front_(front) {}
    ~FrontImageDialogHost() { SetObserver(nullptr); }
    bool Monochrome() override;
    int32_t Get(dialogs::ImageValue value) override;
    void Set(dialogs::ImageValue value, int32_t setting) override;
    void WhiteBalanceOnce() override;
    void AutoGrayOnce() override;
    void SetObserver(dialogs::RefreshObserver* observer) override;

  private:
    CKelvra& front_;
};

class FrontAnalogDialogHost final : public dialogs::AnalogDialogHost {
  public:
    explicit FrontAnalogDialogHost(CKelvra& front) : front_(front) {}
    ~FrontAnalogDialogHost() { SetObserver(nullptr); }
    dialogs::AnalogCapabilities Capabilities() override;
    int32_t Get(dialogs::AnalogValue value) override;
    bool Set(dialogs::AnalogValue value, int32_t setting) override;
    double ExposureSeconds() override;
    bool SetExposureSeconds(double seconds) override;
    void Defaults() override;
    void SetObserver(dialogs::RefreshObserver* observer) override;

  private:
    CKelvra& front_;
};

}  // namespace kelvra
