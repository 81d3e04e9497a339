#include "ErrorWords.h"

#include <array>

#include "KelvraSdk.h"
#include "OutputPaths.h"

namespace kelvra::tool {
namespace {

struct CodeWords {
    int code;
    std::string_view words;
};

constexpr std::array kWords = {
    CodeWords{KELVRA_OK, "the library recorded no reason"},
    CodeWords{KELVRA_ERR_NO_CAMERA,
              "no camera is open, the camera is busy in another mode, or there is no image yet"},
    CodeWords{KELVRA_ERR_NOT_PRESENT, "the camera is not present or cannot be opened"},
    CodeWords{KELVRA_ERR_THREAD, "a worker thread could not be started"},
    CodeWords{KELVRA_ERR_WINDOW,
              "the preview window could not be created or no size preset matches"},
    CodeWords{KELVRA_ERR_MEMORY, "out of memory, or a buffer is too small"},
    CodeWords{KELVRA_ERR_DEVICE, "the camera did not answer a device access"},
    CodeWords{KELVRA_ERR_WINDOW_SIZE, "the readout window is invalid or was rejected"},
    CodeWords{KELVRA_ERR_TRANSFER, "a frame could not be transferred or did not arrive in time"},
    CodeWords{KELVRA_ERR_PARAMETER, "a value is out of range or unknown"},
    CodeWords{KELVRA_ERR_UNSUPPORTED, "not supported by this camera"},
    CodeWords{KELVRA_ERR_CONVERSION,
              "a name could not be converted, or recording or the mask update could not start"},
    CodeWords{KELVRA_ERR_CAMERA_LOST, "the camera was lost"},
    CodeWords{KELVRA_ERR_MASK_FILE, "the mask file could not be read or written, or is malformed"},
};

}  // namespace

std::string_view errorWords(int code) {
    for (const CodeWords& entry : kWords) {
        if (entry.code == code) return entry.words;
    }
    return "unknown error";
}

std::string failureLine(std::string_view what, int code) {
    return "kelvra: " + std::string(what) + ": " + std::string(errorWords(code)) + " (error " +
           std::to_string(code) + ")";
}

ToolFailure writeFailure(std::string_view what, int code, const std::string& path) {
    const std::string reason = writeFailureReason(path);
    if (code == KELVRA_OK) {
        return ToolFailure(what, reason.empty() ? "the library gave no reason and a test write "
                                                  "succeeded"
                                                : reason);
    }
    if (reason.empty()) return ToolFailure(what, code);
    return ToolFailure(what, reason + " (" + std::string(errorWords(code)) + ", error " +
                                 std::to_string(code) + ")");
}

}  // namespace kelvra::tool
