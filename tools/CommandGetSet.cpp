// kelvra get, kelvra set.
#include <cstdio>

#include "CameraSettings.h"
#include "Commands.h"
#include "ErrorWords.h"
#include "Json.h"
#include "SettingsScope.h"

namespace kelvra::tool {
namespace {

// Width of the name column of get's text output.
constexpr int kNameColumn = 15;

// Every NAME=VALUE is read before the camera is opened. A setting the library does not keep
// between runs is refused rather than set and forgotten when the command ends.
SettingsRequest parseAssignments(const CommandLine& line) {
    SettingsRequest request;
    for (const std::string& operand : line.operands) {
        const size_t equals = operand.find('=');
        if (equals == std::string::npos) {
            throw UsageError(line.command, "'" + operand + "' is not NAME=VALUE");
        }
        const std::string name = operand.substr(0, equals);
        const std::string value = operand.substr(equals + 1);
        parseSetting(request, line.command, name, name, value);
        if (name == "temperature") throw UsageError(line.command, "temperature is read-only");
        if (name == "cooler") {
            throw UsageError(line.command,
                             "the camera switches its cooler on whenever it is opened; use "
                             "'kelvra cooler off' for now, or --cooler off for one run");
        }
        if (!settingPersists(name)) {
            throw UsageError(line.command, "the library does not keep " + name +
                                               " between runs; give --" + name +
                                               " to stream, snap or record instead");
        }
    }
    return request;
}

void printReadings(const std::vector<SettingReading>& readings, bool json) {
    if (json) {
        Json document = Json::object();
        for (const SettingReading& reading : readings) document[reading.name] = reading.json;
        printJson(document);
        return;
    }
    for (const SettingReading& reading : readings) {
        std::printf("%-*s %s\n", kNameColumn, (reading.name + ":").c_str(), reading.text.c_str());
    }
}

}  // namespace

int runGet(const CommandLine& line) {
    Session session(line.global, Session::Open::Camera);
    printReadings(readSettings(session, line.command, line.operands), line.global.json);
    return 0;
}

int runSet(const CommandLine& line) {
    const SettingsRequest request = parseAssignments(line);
    std::vector<std::string> names;
    for (const std::string& operand : line.operands) {
        names.push_back(operand.substr(0, operand.find('=')));
    }
    Session session(line.global, Session::Open::Camera);
    SettingsScope settings(session, request);
    settings.keep();
    printReadings(readSettings(session, line.command, names), false);
    return 0;
}

}  // namespace kelvra::tool
