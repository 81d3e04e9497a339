// A second process for the shared-device-map tests. It attaches a controller to the map it is
// given and prints the device table it sees:
//
//   transport_map_peer <map name> list
//   transport_map_peer <map name> enumerate <ordinal>:<product id hex>...
//   transport_map_peer <map name> crash <ordinal>:<product id hex>...
//
// "enumerate" first puts simulated cameras on the bus whose paths are those of the given attach
// ordinals (the same paths another process's cameras of those ordinals have), then enumerates.
// "crash" does the same and ends without detaching, as a crashed process would; "leak" ends
// normally but without destroying its controller, as a program that never released it.
// Output: "count <n>", then "entry <index> <vendor> <product> <instance> <path>" per entry,
// then "pid <n>".
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "sim/Simulator.h"
#include "transport/CNorluxCy3Cam.h"

namespace {

using kelvra::CNorluxCy3Cam;

// Attaches cameras up to the highest ordinal asked for, keeping only those asked for.
bool AttachCameras(int argc, char** argv) {
    std::map<unsigned, uint16_t> wanted;
    for (int i = 3; i < argc; ++i) {
        unsigned ordinal = 0;
        unsigned productId = 0;
        if (std::sscanf(argv[i], "%u:%x", &ordinal, &productId) != 2 || ordinal == 0) return false;
        wanted[ordinal] = static_cast<uint16_t>(productId);
    }
    if (wanted.empty()) return true;
    for (unsigned ordinal = 1; ordinal <= wanted.rbegin()->first; ++ordinal) {
        kelvra::sim::CameraConfig config;
        const auto it = wanted.find(ordinal);
        if (it != wanted.end()) config.productId = it->second;
        auto camera = kelvra::sim::attachCamera(config);
        if (it == wanted.end()) kelvra::sim::detachCamera(camera);
    }
    return true;
}

void PrintTable(const CNorluxCy3Cam& cam) {
    const int32_t count = cam.GetDeviceCount();
    std::printf("count %d\n", count);
    for (int32_t i = 0; i < count; ++i) {
        const kelvra::DeviceEntry entry = cam.GetDeviceEntry(i);
        std::printf("entry %d %04x %04x %d %s\n", i, entry.vendorId, entry.productId,
                    entry.instance, entry.path);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string mode = argv[2];
    kelvra::CFx3Api::SetDeviceMapName(argv[1]);
    if (mode != "list" && !AttachCameras(argc, argv)) return 2;
    auto cam = std::make_unique<CNorluxCy3Cam>();
    if (mode != "list") cam->Enumerate();
    PrintTable(*cam);
    std::printf("pid %d\n", static_cast<int>(getpid()));
    std::fflush(stdout);
    if (mode == "crash") _exit(0);  // no detach: the map keeps this process as a user
    if (mode == "leak") {
        cam.release();
        std::exit(0);
    }
    cam.reset();
    kelvra::sim::detachAllCameras();
    return 0;
}
