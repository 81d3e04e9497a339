#pragma once
// One library handle for the duration of a command: a message window that receives the
// library's notifications and frame messages, Kelvra_Initialize, the choice of camera, and the
// orderly release at the end.

#include <string_view>

#include "CommandLine.h"
#include "KelvraSdk.h"

namespace kelvra::tool {

// Sets KELVRA_SIMULATED_CAMERAS=1 when it is unset or blank, before the library first looks.
void requestSimulatedCamera();

class Session {
  public:
    enum class Open { Camera, NoCamera };

    // Initialises the library; with Open::Camera also opens --camera (default 0). Throws
    // ToolFailure when the library cannot be initialised or the camera cannot be opened.
    Session(const GlobalOptions& options, Open open);
    // Stops acquisition, releases the handle (the library saves the camera's settings) and
    // destroys the message window.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int handle() const { return handle_; }
    // Receives KELVRA_WM_ERROR (notifications) and, when given to a preview, KELVRA_WM_FRAME.
    HWND window() const { return window_; }
    int camera() const { return camera_; }

    // Opens camera `index`; throws ToolFailure when it is absent or cannot be opened.
    void selectCamera(int index);

    // Runs a library call whose result 0 means failure; on failure throws ToolFailure with
    // `what` and the code the call recorded. Returns the call's result.
    template <typename Call>
    int call(std::string_view what, Call&& libraryCall) {
        clearErrors();
        const int result = libraryCall();
        if (result == 0) fail(what);
        return result;
    }
    // Throws ToolFailure with `what` and the newest recorded code.
    [[noreturn]] void fail(std::string_view what);
    // Empties the error history, so that the next failure's code is the newest entry.
    void clearErrors();
    // Drops pending messages of the window (notifications nobody waits for).
    void drainMessages();

  private:
    void release();

    HWND window_ = nullptr;
    int handle_ = 0;
    int camera_ = -1;
};

}  // namespace kelvra::tool
