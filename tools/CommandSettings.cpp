// kelvra settings camera|image|analog: the library's own settings dialogs.
#include <string>

#include "Commands.h"
#include "ErrorWords.h"
#include "Session.h"

namespace kelvra::tool {
namespace {

struct Dialog {
    std::string_view name;
    int (*open)(int handle, HWND owner);
};

constexpr Dialog kDialogs[] = {
    {"camera", Kelvra_SetCameraDlg},
    {"image", Kelvra_SetImageDlg},
    {"analog", Kelvra_SetAnalogDlg},
};

}  // namespace

// The dialog edits the open camera's settings; what it leaves in the library is saved when the
// session releases the handle, so that the next command finds it.
int runSettings(const CommandLine& line) {
    const Dialog* dialog = nullptr;
    for (const Dialog& candidate : kDialogs) {
        if (candidate.name == line.operands[0]) dialog = &candidate;
    }
    if (dialog == nullptr) {
        throw UsageError(line.command, "'" + line.operands[0] + "': use camera, image or analog");
    }
    Session session(line.global, Session::Open::Camera);
    session.clearErrors();
    if (dialog->open(session.handle(), nullptr) != 0) return 0;
    const int code = Kelvra_GetLastError(session.handle());
    const std::string what = "opening the " + std::string(dialog->name) + " dialog";
    if (code == KELVRA_ERR_WINDOW) throw ToolFailure(what, "no X display to show it on (DISPLAY)");
    throw ToolFailure(what, code);
}

}  // namespace kelvra::tool
