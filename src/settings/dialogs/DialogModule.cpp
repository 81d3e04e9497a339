#include "settings/dialogs/DialogModule.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace kelvra::dialogs {
namespace {

// The directory of the binary this code is part of: the main library, or a program linked
// with it statically.
std::string OwnDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&RunDialog), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    const std::string path = info.dli_fname;
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Beside this binary first, so that an installed library finds its own module whatever the
// prefix; then through the dynamic linker's search path.
ModuleEntry LoadEntry() {
    void* module = nullptr;
    const std::string dir = OwnDirectory();
    if (!dir.empty()) module = dlopen((dir + kModuleFileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) module = dlopen(kModuleFileName, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<ModuleEntry>(dlsym(module, kModuleEntryName));
}

ModuleEntry Entry() {
    // A failed load is tried again at the next dialog: the module may have been installed since.
    static std::mutex lock;
    static ModuleEntry entry = nullptr;
    std::lock_guard<std::mutex> guard(lock);
    if (entry == nullptr) entry = LoadEntry();
    return entry;
}

}  // namespace

RunOutcome RunDialog(const DialogRequest& request) {
    const ModuleEntry entry = Entry();
    if (entry == nullptr) return RunOutcome::kNoModule;
    switch (entry(kModuleVersion, &request)) {
        case kDialogOk:
            return RunOutcome::kOk;
        case kDialogCancel:
            return RunOutcome::kCancel;
        case kDialogNoDisplay:
            return RunOutcome::kNoDisplay;
        default:
            return RunOutcome::kNoModule;
    }
}

}  // namespace kelvra::dialogs
