// kelvra list, kelvra info.
#include <cstdio>

#include "CameraReport.h"
#include "Commands.h"
#include "Session.h"

namespace kelvra::tool {

// No camera is not a failure for list: it answers the question "what is attached?".
int runList(const CommandLine& line) {
    Session session(line.global, Session::Open::NoCamera);
    printCameraList(session, stdout, line.global.json);
    return 0;
}

int runInfo(const CommandLine& line) {
    Session session(line.global, Session::Open::Camera);
    printCameraInfo(session, stdout, line.global.json);
    return 0;
}

}  // namespace kelvra::tool
