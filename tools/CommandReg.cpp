// kelvra reg fpga|sensor|eeprom read|write.
#include <cstdio>

#include "Commands.h"
#include "ErrorWords.h"
#include "Session.h"

namespace kelvra::tool {
namespace {

// One register space: its limits and the library calls that reach it.
struct RegisterSpace {
    const char* name;
    long long maxAddress;
    long long maxValue;
    int (*read)(int handle, int address, int* ok);
    int (*write)(int handle, int address, int value);
};

constexpr RegisterSpace kSpaces[] = {
    {"fpga", 0xFF, 0xFFFF, Kelvra_Fpga_ReadRegister, Kelvra_Fpga_WriteRegister},
    {"sensor", 0xFFFF, 0xFF, Kelvra_ReadRegisterEx, Kelvra_WriteRegisterEx},
    {"eeprom", 0xFFF, 0xFF, Kelvra_ReadSromID, Kelvra_WriteSromID},
};

const RegisterSpace& findSpace(const CommandLine& line) {
    for (const RegisterSpace& space : kSpaces) {
        if (line.operands[0] == space.name) return space;
    }
    throw UsageError(line.command, "'" + line.operands[0] + "': use fpga, sensor or eeprom");
}

std::string registerName(const RegisterSpace& space, int address) {
    char text[48];
    std::snprintf(text, sizeof text, "%s register 0x%0*X", space.name,
                  space.maxAddress > 0xFF ? 4 : 2, address);
    return text;
}

int readRegister(Session& session, const RegisterSpace& space, int address) {
    session.clearErrors();
    // Some reads leave ok untouched on success: start from 1.
    int ok = 1;
    const int value = space.read(session.handle(), address, &ok);
    if (ok == 0) session.fail("reading " + registerName(space, address));
    return value;
}

}  // namespace

int runReg(const CommandLine& line) {
    const RegisterSpace& space = findSpace(line);
    const std::string& action = line.operands[1];
    const bool write = action == "write";
    if (!write && action != "read")
        throw UsageError(line.command, "'" + action + "': use read or write");
    if (line.operands.size() != (write ? 4u : 3u)) {
        throw UsageError(line.command, write ? "write takes ADDR VALUE" : "read takes ADDR");
    }
    const int address =
        static_cast<int>(parseInteger(line.command, "ADDR", line.operands[2], 0, space.maxAddress));
    const int value = write ? static_cast<int>(parseInteger(line.command, "VALUE", line.operands[3],
                                                            0, space.maxValue))
                            : 0;
    Session session(line.global, Session::Open::Camera);
    const std::string name = registerName(space, address);
    if (write) {
        session.call("writing " + name,
                     [&] { return space.write(session.handle(), address, value); });
        // The EEPROM write reports success even when its verification failed: check here.
        const int readBack = readRegister(session, space, address);
        if (std::string_view(space.name) == "eeprom" && readBack != value) {
            char why[64];
            std::snprintf(why, sizeof why, "it reads back 0x%02X instead of 0x%02X", readBack,
                          value);
            throw ToolFailure("writing " + name, why);
        }
        std::printf("%s = 0x%X (%d), read back 0x%X\n", name.c_str(), value, value, readBack);
        return 0;
    }
    const int result = readRegister(session, space, address);
    std::printf("%s = 0x%X (%d)\n", name.c_str(), result, result);
    return 0;
}

}  // namespace kelvra::tool
