#include "Session.h"

#include <cstdlib>
#include <string>

#include "ErrorWords.h"

namespace kelvra::tool {
namespace {

constexpr const char* kSimulatedCamerasVariable = "KELVRA_SIMULATED_CAMERAS";
// The history holds 20 codes; popping that many empties it.
constexpr int kErrorHistoryDepth = 20;

bool isBlank(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text != ' ' && *text != '\t') return false;
    }
    return true;
}

}  // namespace

void requestSimulatedCamera() {
    const char* value = std::getenv(kSimulatedCamerasVariable);
    if (value == nullptr || isBlank(value)) setenv(kSimulatedCamerasVariable, "1", 1);
}

Session::Session(const GlobalOptions& options, Open open) {
    if (options.simulate) requestSimulatedCamera();
    // Without a window the library's notifications would go nowhere; a missing window only
    // costs the early detection of a lost camera, so it is not fatal.
    window_ = Kelvra_CreateMessageWindow();
    handle_ = Kelvra_Initialize(window_);
    if (handle_ == 0) {
        if (window_ != nullptr) Kelvra_DestroyMessageWindow(window_);
        throw ToolFailure("initialising the library", "no handle was issued");
    }
    if (open == Open::Camera) {
        char names[KELVRA_MAX_LISTED_DEVICES][KELVRA_DEVICE_NAME_LENGTH];
        if (Kelvra_EnumDevice(handle_, names) == 0) {
            release();
            throw ToolFailure("opening a camera", "no camera was found");
        }
        try {
            selectCamera(options.camera.value_or(0));
        } catch (...) {
            release();
            throw;
        }
    }
}

Session::~Session() {
    release();
}

// Teardown order: acquisition first (Close stops the threads), then the handle, then the window
// the library may still have posted to.
void Session::release() {
    if (handle_ != 0) {
        Kelvra_Close(handle_);
        Kelvra_Release(handle_);
        handle_ = 0;
    }
    if (window_ != nullptr) {
        Kelvra_DestroyMessageWindow(window_);
        window_ = nullptr;
    }
}

void Session::selectCamera(int index) {
    call("opening camera " + std::to_string(index),
         [&] { return Kelvra_SetDeviceNumber(handle_, index); });
    camera_ = index;
}

void Session::fail(std::string_view what) {
    throw ToolFailure(what, Kelvra_GetLastError(handle_));
}

void Session::clearErrors() {
    for (int i = 0; i < kErrorHistoryDepth; ++i) Kelvra_GetLastError(handle_);
}

void Session::drainMessages() {
    if (window_ == nullptr) return;
    KELVRA_MSG message;
    while (Kelvra_GetMessage(window_, &message, 0) == 1) {
    }
}

}  // namespace kelvra::tool
