// The dialog module's one export: runs the requested dialog modally on the GTK thread.
#include "gtk/AnalogDialog.h"
#include "gtk/CameraDialog.h"
#include "gtk/GtkThread.h"
#include "gtk/ImageDialog.h"
#include "settings/dialogs/DialogHost.h"

namespace kelvra::dialogs::gtk {
namespace {

int RunRequested(const DialogRequest& request) {
    if (!EnsureGtk()) return kDialogNoDisplay;
    switch (request.kind) {
        case DialogKind::kCamera: {
            CameraDialog dialog(*request.camera);
            return dialog.Run(request.parentXid);
        }
        case DialogKind::kImage: {
            ImageDialog dialog(*request.image);
            return dialog.Run(request.parentXid);
        }
        case DialogKind::kAnalog: {
            AnalogDialog dialog(*request.analog);
            return dialog.Run(request.parentXid);
        }
    }
    return kDialogBadRequest;
}

bool HostGiven(const DialogRequest& request) {
    switch (request.kind) {
        case DialogKind::kCamera:
            return request.camera != nullptr;
        case DialogKind::kImage:
            return request.image != nullptr;
        case DialogKind::kAnalog:
            return request.analog != nullptr;
    }
    return false;
}

}  // namespace
}  // namespace kelvra::dialogs::gtk

extern "C" __attribute__((visibility("default"))) int kelvra_dialogs_run(
    int version, const kelvra::dialogs::DialogRequest* request) {
    using namespace kelvra::dialogs;
    if (version != kModuleVersion || request == nullptr || !gtk::HostGiven(*request)) {
        return kDialogBadRequest;
    }
    try {
        return gtk::RunOnGtkThread([&] { return gtk::RunRequested(*request); });
    } catch (...) {
        return kDialogBadRequest;
    }
}
