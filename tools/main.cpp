// kelvra: command-line client of the Kelvra camera library. Uses the public API only.
#include <cstdio>
#include <cstring>

#include "KelvraSdk.h"

namespace {

constexpr int kExitUsage = 2;

void PrintUsage(FILE* out) {
    std::fputs(
        "usage: kelvra [--version] <command>\n"
        "\n"
        "commands:\n"
        "  list    list the attached cameras\n",
        out);
}

void PrintVersion() {
    const unsigned version = static_cast<unsigned>(Kelvra_GetDllVersion());
    std::printf("kelvra, library version %u.%u.%u.%u\n", version >> 24, (version >> 16) & 0xFF,
                (version >> 8) & 0xFF, version & 0xFF);
}

int ListCameras() {
    const int handle = Kelvra_Initialize(nullptr);
    if (handle == 0) {
        std::fprintf(stderr, "kelvra: the library could not be initialised\n");
        return 1;
    }
    char names[KELVRA_MAX_LISTED_DEVICES][KELVRA_DEVICE_NAME_LENGTH];
    const int count = Kelvra_EnumDevice(handle, names);
    if (count == 0) {
        std::printf("No camera was found.\n");
    } else {
        for (int i = 0; i < count; ++i) std::printf("%d: %s\n", i, names[i]);
    }
    Kelvra_Release(handle);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--version") == 0) {
        PrintVersion();
        return 0;
    }
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (std::strcmp(command, "list") == 0) return ListCameras();
    std::fprintf(stderr, "kelvra: unknown command '%s'\n", command);
    PrintUsage(stderr);
    return kExitUsage;
}
