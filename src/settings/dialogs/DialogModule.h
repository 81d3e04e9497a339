// Loads the dialog module (and with it GTK) the first time a dialog is opened.
#pragma once

#include "settings/dialogs/DialogHost.h"

namespace kelvra::dialogs {

// The module's file name; it is installed beside the main library.
inline constexpr char kModuleFileName[] = "libKelvraSdk_K4SWIR_TEC_dialogs.so";

// Outcome of one dialog run, as the front reports it.
enum class RunOutcome { kOk, kCancel, kNoDisplay, kNoModule };

// Runs the dialog of `request` on the calling thread (see the module for how it shares GTK with
// an application that uses it). Thread-safe; the module is loaded once and stays loaded, since
// GTK cannot be unloaded.
RunOutcome RunDialog(const DialogRequest& request);

}  // namespace kelvra::dialogs
