// kelvra doctor: checks what real cameras need on this machine and says how to fix each gap;
// kelvra udev-rule: prints the rule the library needs installed.
#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Formatting.h"
#include "KelvraSdk.h"

namespace kelvra::tool {
namespace {

constexpr const char* kRuleName = "60-kelvra-cameras.rules";
// Where udev reads rules, in its order of precedence.
constexpr const char* kRuleDirectories[] = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                            "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
constexpr const char* kInstallRule =
    "kelvra udev-rule | sudo tee /etc/udev/rules.d/60-kelvra-cameras.rules >/dev/null && sudo "
    "udevadm control --reload-rules && sudo udevadm trigger";
constexpr const char* kUsbfsLimit = "/sys/module/usbcore/parameters/usbfs_memory_mb";
// The largest frame this camera sends: 1280 x 1024 pixels of 2 bytes.
constexpr long kLargestFrameBytes = 1280L * 1024L * 2L;
constexpr long kBytesPerMegabyte = 1L << 20;
constexpr int kMaxCameras = 32;
constexpr const char* kAccessGroup = "plugdev";

enum class Verdict { Ok, Note, Problem };

class Report {
  public:
    void add(Verdict verdict, const std::string& finding, const std::string& fix = "") {
        static constexpr const char* kTags[] = {"[ ok ]", "[note]", "[FAIL]"};
        std::printf("%s %s\n", kTags[static_cast<int>(verdict)], finding.c_str());
        if (!fix.empty()) std::printf("       fix: %s\n", fix.c_str());
        if (verdict == Verdict::Problem) ++problems_;
    }
    int problems() const { return problems_; }

  private:
    int problems_ = 0;
};

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string describe(const KELVRA_USB_CAMERA& camera) {
    std::string text = "camera " + hex4(camera.vendorId) + ":" + hex4(camera.productId);
    if (camera.port[0] != '\0') text += " on USB port " + std::string(camera.port);
    if (camera.serialNumber[0] != '\0')
        text += " (serial " + std::string(camera.serialNumber) + ")";
    return text;
}

std::string readFile(const std::string& path, bool* found) {
    std::ifstream in(path);
    *found = static_cast<bool>(in);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<KELVRA_USB_CAMERA> listCameras() {
    std::vector<KELVRA_USB_CAMERA> cameras(kMaxCameras);
    const int count = Kelvra_ListUsbCameras(cameras.data(), kMaxCameras);
    cameras.resize(static_cast<size_t>(count < 0 ? 0 : std::min(count, kMaxCameras)));
    return cameras;
}

void checkCameras(Report& report, const std::vector<KELVRA_USB_CAMERA>& cameras) {
    if (cameras.empty()) {
        report.add(Verdict::Problem, "no camera found (devices of other makers are ignored)",
                   "connect the camera, then check that 'lsusb -d 04b4:' lists it");
        return;
    }
    for (const KELVRA_USB_CAMERA& camera : cameras) {
        report.add(Verdict::Ok,
                   describe(camera) + " found" + (camera.simulated ? " (simulated)" : ""));
    }
}

void checkSimulated(Report& report) {
    const char* value = std::getenv("KELVRA_SIMULATED_CAMERAS");
    if (value == nullptr || value[0] == '\0') return;
    report.add(Verdict::Note,
               std::string("cameras are simulated (KELVRA_SIMULATED_CAMERAS=") + value +
                   "); the checks of real cameras are left out",
               "unset KELVRA_SIMULATED_CAMERAS to use the cameras attached");
}

void checkUdevRule(Report& report) {
    const int length = Kelvra_GetUdevRule(nullptr, 0);
    std::string expected(static_cast<size_t>(length) + 1, '\0');
    Kelvra_GetUdevRule(expected.data(), length + 1);
    expected.resize(static_cast<size_t>(length));
    for (const char* directory : kRuleDirectories) {
        const std::string path = std::string(directory) + "/" + kRuleName;
        bool found = false;
        const std::string installed = readFile(path, &found);
        if (!found) continue;
        if (installed == expected) {
            report.add(Verdict::Ok, "udev rule " + path + " installed and up to date");
        } else {
            report.add(Verdict::Problem,
                       "udev rule " + path + " differs from the one this library needs",
                       kInstallRule);
        }
        return;
    }
    report.add(Verdict::Problem,
               std::string("udev rule ") + kRuleName +
                   " is not installed: without it only root may open the cameras",
               kInstallRule);
}

bool inGroup(const char* name) {
    const group* wanted = getgrnam(name);
    if (wanted == nullptr) return false;
    std::vector<gid_t> groups(static_cast<size_t>(getgroups(0, nullptr)));
    const int count = getgroups(static_cast<int>(groups.size()), groups.data());
    for (int i = 0; i < count; ++i) {
        if (groups[static_cast<size_t>(i)] == wanted->gr_gid) return true;
    }
    return getgid() == wanted->gr_gid;
}

void checkAccess(Report& report, const std::vector<KELVRA_USB_CAMERA>& cameras) {
    bool denied = false;
    for (const KELVRA_USB_CAMERA& camera : cameras) {
        const std::string node = camera.deviceNode[0] ? std::string(camera.deviceNode) : "its node";
        if (camera.accessible) {
            report.add(Verdict::Ok, describe(camera) + ": " + node + " can be opened");
            continue;
        }
        denied = true;
        report.add(Verdict::Problem,
                   describe(camera) + ": no permission to open " + node +
                       " (the udev rule gives it to the " + kAccessGroup +
                       " group and to the user at the seat)",
                   "install the udev rule (see above), then unplug and replug the camera");
    }
    if (getuid() == 0 || inGroup(kAccessGroup)) {
        report.add(Verdict::Ok, std::string("you are root or in the ") + kAccessGroup + " group");
    } else {
        report.add(denied ? Verdict::Problem : Verdict::Note,
                   std::string("you are not in the ") + kAccessGroup +
                       " group (enough only when logged in at the machine itself)",
                   "sudo usermod -aG plugdev \"$USER\", then log out and in again");
    }
}

void checkUsbfsMemory(Report& report) {
    bool found = false;
    const std::string text = readFile(kUsbfsLimit, &found);
    if (!found) {
        report.add(Verdict::Note,
                   std::string(kUsbfsLimit) + " not found: no USB buffer limit to check");
        return;
    }
    const long limitMb = std::atol(text.c_str());
    const long neededMb = (kLargestFrameBytes + kBytesPerMegabyte - 1) / kBytesPerMegabyte;
    if (limitMb == 0 || limitMb >= neededMb) {
        report.add(Verdict::Ok, "usbfs_memory_mb is " + std::to_string(limitMb) +
                                    (limitMb == 0 ? " (no limit)" : " MB") + ", a frame needs " +
                                    std::to_string(neededMb) + " MB");
        return;
    }
    report.add(Verdict::Problem,
               "usbfs_memory_mb is " + std::to_string(limitMb) + " MB, below the " +
                   std::to_string(neededMb) + " MB a frame needs",
               "echo 16 | sudo tee " + std::string(kUsbfsLimit) +
                   " (lasting: add usbcore.usbfs_memory_mb=16 to the kernel command line)");
}

void checkLinkSpeed(Report& report, const std::vector<KELVRA_USB_CAMERA>& cameras) {
    for (const KELVRA_USB_CAMERA& camera : cameras) {
        const std::string speed = formatLinkSpeed(camera.linkSpeed);
        if (camera.linkSpeed >= KELVRA_LINK_SUPER_SPEED) {
            report.add(Verdict::Ok, describe(camera) + ": " + speed);
        } else {
            report.add(Verdict::Problem,
                       describe(camera) + ": " + speed +
                           ", the camera delivers only a fraction of its frame rate",
                       "plug the camera into a USB 3 port (blue, or marked SS) with a USB 3 cable");
        }
    }
}

void checkSharedMemory(Report& report) {
    const int count = Kelvra_GetStaleSharedMemory(nullptr, 0);
    if (count <= 0) {
        report.add(Verdict::Ok, "no shared memory left behind by ended programs");
        return;
    }
    std::vector<char> names(4096);
    Kelvra_GetStaleSharedMemory(names.data(), static_cast<int>(names.size()));
    std::string list;
    std::string command = "rm -f";
    std::istringstream lines(names.data());
    for (std::string name; std::getline(lines, name);) {
        list += (list.empty() ? "" : ", ") + name;
        command += " /dev/shm/" + name;
    }
    report.add(Verdict::Note,
               "shared memory left by programs that ended without releasing the library: " + list +
                   " (harmless: the next program reuses or removes it)",
               command);
}

void checkDisplay(Report& report) {
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && display[0] != '\0') {
        report.add(Verdict::Ok,
                   std::string("DISPLAY is ") + display + ": preview windows can open");
    } else {
        report.add(Verdict::Note, "DISPLAY is not set: acquisition works, without preview window",
                   "run from a desktop session, or export DISPLAY=:0");
    }
}

}  // namespace

// Exit 0 when nothing needs fixing, 1 when something does (every [FAIL] line says how).
int runDoctor(const CommandLine& /*line*/) {
    Report report;
    checkSharedMemory(report);  // before anything of the library attaches to it
    const std::vector<KELVRA_USB_CAMERA> cameras = listCameras();
    checkSimulated(report);
    checkCameras(report, cameras);
    const bool simulated = !cameras.empty() && cameras.front().simulated;
    if (!simulated) {
        checkUdevRule(report);
        checkAccess(report, cameras);
        checkUsbfsMemory(report);
        checkLinkSpeed(report, cameras);
    }
    checkDisplay(report);
    if (report.problems() == 0) {
        std::printf("All is well.\n");
        return 0;
    }
    std::printf("%d problem(s) found.\n", report.problems());
    return 1;
}

int runUdevRule(const CommandLine& /*line*/) {
    const int length = Kelvra_GetUdevRule(nullptr, 0);
    std::string rule(static_cast<size_t>(length) + 1, '\0');
    Kelvra_GetUdevRule(rule.data(), length + 1);
    std::fputs(rule.c_str(), stdout);
    return 0;
}

}  // namespace kelvra::tool
