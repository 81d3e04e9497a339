#include "CommandTable.h"

#include <string>

#include "SettingsOptions.h"

namespace kelvra::tool {
namespace {

constexpr std::string_view kCommonOptions =
    "\ncommon options:\n"
    "  --camera N    use camera N (0-based, as listed by 'kelvra list')\n"
    "  --simulate    attach a simulated camera (KELVRA_SIMULATED_CAMERAS=1) when none is set\n"
    "  --json        one line of JSON on stdout (list, info, get, stream, record)\n"
    "  --help        show this help\n";

// Value options plus the camera settings every run command takes.
std::set<std::string> withSettings(std::set<std::string> options) {
    options.insert(settingsOptionNames().begin(), settingsOptionNames().end());
    return options;
}

std::vector<CommandHelp> buildTable() {
    return {
        {{"list", {}, {}, 0, 0},
         "list the attached cameras",
         "usage: kelvra list\n"
         "Lists the attached cameras: number, name, serial number, product id and USB link\n"
         "speed, and warns about a camera on a link slower than USB 3.\n"
         "With --json: {\"cameras\": [{\"index\", \"name\", \"serial\", \"productId\",\n"
         "\"linkMbps\"}]} (linkMbps 0 when unknown).\n"},
        {{"info", {}, {}, 0, 0},
         "show the camera's current settings beside their ranges",
         "usage: kelvra info\n"
         "Shows the camera's sensor size, readout window, colour mode, gain and exposure (current\n"
         "value and the camera's range), sensor temperature and cooler state.\n"
         "With --json: {\"camera\", \"name\", \"serial\", \"sensor\": {\"width\", \"height\"},\n"
         "\"window\": {\"width\", \"height\", \"x\", \"y\"}, \"colorMode\", \"gain\": {\"value\",\n"
         "\"min\", \"max\"}, \"exposure\": {\"seconds\", \"min\", \"max\"}, \"temperature\",\n"
         "\"cooler\"}; times in seconds, temperature in degrees Celsius, null when not known.\n"},
        {{"snap", withSettings({"output", "count"}), {}, 0, 0},
         "take one frame (or N in a row) and save it",
         "usage: kelvra snap -o FILE [--count N] [options]\n"
         "Takes one frame and saves it; the format follows FILE's extension:\n"
         "bmp, raw, jpg, png or tif.\n"
         "  -o, --output FILE      the file to write (its directory must exist)\n"
         "  --count N              N consecutive frames: numbered files (FILE-0001.png ...), or\n"
         "                         one multi-page TIFF for a .tif file; fails (exit 1) when the\n"
         "                         library had to drop frames between them\n"},
        {{"stream", withSettings({"seconds"}), {"stats", "preview"}, 0, 0},
         "stream live frames with a status line",
         "usage: kelvra stream [--seconds N] [--preview] [--stats] [settings]\n"
         "Streams for N seconds (default 5; Ctrl-C stops early), taking every frame from the\n"
         "library's frame queue. On a terminal one status line shows frames, frames per\n"
         "second, frames lost, the camera's last frame number and the sensor temperature; a\n"
         "summary follows at the end.\n"
         "  --preview              show the live picture in a window (needs DISPLAY); closing\n"
         "                         the window ends the stream like Ctrl-C\n"
         "  --stats                print every stream counter of the library at the end\n"
         "With --json the summary is {\"frames\", \"seconds\", \"fps\", \"lost\", \"lastFrame\",\n"
         "\"temperature\", \"stopped\", \"stoppedBy\"} (stoppedBy: null, \"signal\" or "
         "\"window\"),\n"
         "with \"stats\": {...every counter...} after --stats.\n"},
        {{"record", withSettings({"output", "format", "seconds"}), {}, 0, 0},
         "record every frame into a TIFF, raw or AVI file",
         "usage: kelvra record -o FILE [--format tiff|raw|avi] [--seconds N] [settings]\n"
         "Records N seconds (default 5) of the live stream, every frame as the camera delivers\n"
         "it; the format follows FILE's extension:\n"
         "  .tif/.tiff  one multi-page TIFF (BigTIFF); each page's ImageDescription holds its\n"
         "              frame number, timestamp_us, exposure_us and temperature_c as JSON\n"
         "  .raw        the frames back to back (rows packed, little-endian) and FILE.json with\n"
         "              width, height, dtype, frame rate and each frame's metadata and offset\n"
         "  .avi        uncompressed AVI, continued past 4 GiB (OpenDML): 8-bit grey as 8-bit\n"
         "              palettised video, 16-bit grey as 16-bit grey ('b16g', each 12-bit\n"
         "              sample s stored as s x 16 + s / 256), colour as 24-bit\n"
         "  -o, --output FILE      the file to write (its directory must exist)\n"
         "  --format F             tiff, raw or avi; FILE must carry its extension\n"
         "16-bit frames (--color-mode 16) keep the camera's 12-bit samples in tiff and raw.\n"
         "Frames are written while the camera goes on; when the disk falls behind, frames are\n"
         "dropped and counted, and the summary says how many and why.\n"
         "Ctrl-C, SIGTERM or SIGHUP stop early; the file is finalised either way.\n"
         "Exit status: 0 every frame recorded (also when stopped early by a signal); 3 frames\n"
         "were lost; 4 writing failed (a full disk ...) and ended the recording before its\n"
         "duration, or it holds no frame; 1 the camera was lost (the file keeps the frames\n"
         "before it) or another failure; 2 a wrong command line.\n"
         "With --json the summary is {\"file\", \"format\", \"width\", \"height\",\n"
         "\"bitsPerPixel\", \"framesWritten\", \"bytes\", \"seconds\", \"fps\", \"lost\":\n"
         "{\"total\", \"queueFull\", \"inRing\", \"byCamera\"}, \"ended\", \"error\"} (ended:\n"
         "complete, stopped, writeError or cameraLost; error: the reason in words, or null).\n"},
        {{"cooler", {}, {}, 0, 1},
         "switch the sensor cooler on or off",
         "usage: kelvra cooler [on|off]\n"
         "Switches the thermo-electric cooler on or off; without an operand shows its state.\n"
         "Opening the camera switches the cooler on (the library does so for the sensor's\n"
         "sake), so 'off' lasts until the camera is next opened by any program. For a run\n"
         "with the cooler off give --cooler off to stream, snap or record.\n"},
        {{"temperature", {"seconds", "interval"}, {"watch"}, 0, 0},
         "show the sensor temperature",
         "usage: kelvra temperature [--watch [--seconds N] [--interval N]]\n"
         "Shows the sensor temperature and the cooler state. With --watch, one line every\n"
         "--interval seconds (default 1) until Ctrl-C or until --seconds have passed.\n"},
        {{"mask", {"frames"}, {}, 2, 3},
         "capture, save or load flat-field references",
         "usage: kelvra mask capture dark|white FILE [--frames N]\n"
         "       kelvra mask save FILE\n"
         "       kelvra mask load FILE\n"
         "capture: averages N full frames (--frames, default 16) at the camera's current\n"
         "         settings, in 8 and in 16 bits, into the dark or white reference and stores\n"
         "         it in FILE (the other reference is kept when FILE exists already); warns\n"
         "         when the frames are saturated or too dark to be a useful reference.\n"
         "save:    writes the library's current references (neutral ones in a new session).\n"
         "load:    reads FILE and reports whether it is a valid mask file.\n"
         "Use a mask file with --mask FILE on stream, snap or record.\n"},
        {{"get", {}, {}, 0, 11},
         "print the camera's current settings",
         "usage: kelvra get [NAME...]\n"
         "Prints the current value of each NAME, or of all: exposure, gain, black-level,\n"
         "mirror, window, color-mode, cooler, auto-exposure, flat-field, dot-filter,\n"
         "temperature. With --json: one object with these names as keys; exposure in seconds,\n"
         "window as {\"width\", \"height\", \"x\", \"y\"}, switches as true/false, null when the\n"
         "camera cannot say.\n"},
        {{"set", {}, {}, 1, 11},
         "change the camera's saved settings",
         "usage: kelvra set NAME=VALUE...\n"
         "Sets exposure (10ms, 0.5s, 250us), gain, black-level, mirror (h|v|hv|none) and\n"
         "auto-exposure (off|exposure|gain); the library saves them as the camera's settings.\n"
         "Every value is checked before anything changes: one bad value changes nothing.\n"
         "The window, colour mode, cooler, flat-field and dot filter are not kept between runs:\n"
         "give them as options to stream, snap or record.\n"},
        {{"reg", {}, {}, 3, 4},
         "read or write FPGA, sensor or EEPROM registers",
         "usage: kelvra reg fpga|sensor|eeprom read ADDR\n"
         "       kelvra reg fpga|sensor|eeprom write ADDR VALUE\n"
         "fpga:   8-bit address, 16-bit value\n"
         "sensor: 16-bit address, 8-bit value\n"
         "eeprom: 12-bit address, 8-bit value (written and verified)\n"
         "Numbers are decimal or 0x-prefixed hexadecimal.\n"},
        {{"settings", {}, {}, 1, 1},
         "open the camera, image or analog settings dialog",
         "usage: kelvra settings camera|image|analog\n"
         "Opens one of the library's settings dialogs (needs an X display):\n"
         "camera: output format, readout size presets, subsampling and wait time\n"
         "image:  brightness, contrast, gamma, sharpness, grey gains and white balance\n"
         "analog: gain, exposure, mirroring, automatic exposure, cooler and black level\n"
         "OK keeps the changes for the camera (they are saved when the command ends), Cancel\n"
         "puts back what was there before.\n"},
        {{"bench", {"seconds"}, {}, 0, 0},
         "measure end-to-end throughput on a simulated camera",
         "usage: kelvra bench [--seconds N]\n"
         "Streams from a simulated camera for N seconds (default 2) in 8-bit and in 16-bit mode\n"
         "with every frame copied into a buffer of the tool, and prints frames and megabytes\n"
         "per second of the whole stack.\n"},
        {{"demo", {"output"}, {}, 0, 0},
         "tour the tool on a simulated camera",
         "usage: kelvra demo [-o DIR]\n"
         "On a simulated camera: lists it, shows its info, streams for 3 seconds, saves one\n"
         "frame in every format and a 2-second AVI into DIR (default ./kelvra-demo), then\n"
         "prints what it wrote and how fast it ran.\n"
         "  -o, --output DIR       where to write the files (created if missing)\n"},
        {{"doctor", {}, {}, 0, 0},
         "check this machine for real cameras",
         "usage: kelvra doctor\n"
         "Checks what real cameras need and explains each gap with the command that fixes it:\n"
         "the udev rule, access to each camera's device node, group membership, the USB\n"
         "buffer limit (usbfs_memory_mb), link speed, shared memory left by ended programs,\n"
         "DISPLAY for preview windows, and whether cameras are simulated.\n"
         "Exits 0 when all is well, 1 when something needs fixing.\n"},
        {{"udev-rule", {}, {}, 0, 0},
         "print the udev rule the cameras need",
         "usage: kelvra udev-rule\n"
         "Prints the udev rule that lets users open the cameras. Install it with\n"
         "  kelvra udev-rule | sudo tee /etc/udev/rules.d/60-kelvra-cameras.rules\n"
         "  sudo udevadm control --reload-rules && sudo udevadm trigger\n"},
    };
}

}  // namespace

const std::vector<CommandHelp>& commandTable() {
    static const std::vector<CommandHelp> table = buildTable();
    return table;
}

std::vector<CommandSyntax> commandSyntaxes() {
    std::vector<CommandSyntax> syntaxes;
    for (const CommandHelp& command : commandTable()) syntaxes.push_back(command.syntax);
    return syntaxes;
}

const CommandHelp* findCommand(std::string_view name) {
    for (const CommandHelp& command : commandTable()) {
        if (command.syntax.name == name) return &command;
    }
    return nullptr;
}

std::string overviewText() {
    std::string text =
        "usage: kelvra [--camera N] [--simulate] <command> [options]\n"
        "       kelvra --version | --help | <command> --help\n"
        "\ncommands:\n";
    for (const CommandHelp& command : commandTable()) {
        std::string name = "  " + command.syntax.name;
        name.resize(16, ' ');
        text += name + std::string(command.summary) + "\n";
    }
    text += kCommonOptions;
    return text;
}

std::string commandUsageText(const CommandHelp& command) {
    std::string text(command.usage);
    if (command.syntax.valueOptions.count("exposure") != 0) {
        text += "\ncamera settings for this run:\n" + std::string(kSettingsOptionsHelp);
    }
    return text + std::string(kCommonOptions);
}

}  // namespace kelvra::tool
