// The kelvra tool's command-line parsing, without the camera library.
#include <gtest/gtest.h>

#include "ParseArgs.h"

namespace kelvra::tool {
namespace {

// The command whose usage a UsageError names (main prints that usage).
std::string usageCommandOf(std::vector<std::string> args) {
    try {
        parse(std::move(args));
    } catch (const UsageError& error) {
        return error.command();
    }
    ADD_FAILURE() << "no UsageError";
    return "<none>";
}

TEST(CommandLine, GlobalOptionsAreAcceptedBeforeAndAfterTheCommand) {
    CommandLine before = parse({"--camera", "2", "--simulate", "info"});
    EXPECT_EQ(before.command, "info");
    EXPECT_EQ(before.global.camera, 2);
    EXPECT_TRUE(before.global.simulate);

    CommandLine after = parse({"info", "--camera=1"});
    EXPECT_EQ(after.global.camera, 1);
    EXPECT_FALSE(after.global.simulate);
}

TEST(CommandLine, CommandOptionsTakeValuesSeparateOrInline) {
    CommandLine line = parse({"snap", "-o", "a.png", "--gain=3", "--mirror", "hv"});
    EXPECT_EQ(line.options.at("output"), "a.png");
    EXPECT_EQ(line.options.at("gain"), "3");
    EXPECT_EQ(line.options.at("mirror"), "hv");
    EXPECT_TRUE(line.operands.empty());
}

TEST(CommandLine, AValueThatLooksLikeAnOptionIsStillTheValue) {
    CommandLine line = parse({"stream", "--seconds", "-1"});
    EXPECT_EQ(line.options.at("seconds"), "-1");
}

TEST(CommandLine, OperandsAreCountedPerCommand) {
    EXPECT_EQ(parse({"reg", "fpga", "read", "0x10"}).operands.size(), 3u);
    EXPECT_EQ(parse({"reg", "fpga", "write", "0x10", "5"}).operands.size(), 4u);
    EXPECT_THROW(parse({"reg", "fpga", "read"}), UsageError);
    EXPECT_THROW(parse({"reg", "fpga", "write", "1", "2", "3"}), UsageError);
    EXPECT_THROW(parse({"list", "extra"}), UsageError);
    EXPECT_EQ(parse({"cooler"}).operands.size(), 0u);
    EXPECT_THROW(parse({"cooler", "on", "off"}), UsageError);
}

TEST(CommandLine, DoubleDashEndsOptions) {
    CommandLine line = parse({"mask", "load", "--", "--odd-name"});
    ASSERT_EQ(line.operands.size(), 2u);
    EXPECT_EQ(line.operands[1], "--odd-name");
}

TEST(CommandLine, HelpSkipsTheOperandCheck) {
    CommandLine line = parse({"reg", "--help"});
    EXPECT_TRUE(line.help);
    EXPECT_EQ(line.command, "reg");
    EXPECT_TRUE(parse({"-h"}).help);
    EXPECT_TRUE(parse({"--version"}).version);
}

TEST(CommandLine, MistakesNameTheCommandWhoseUsageToShow) {
    EXPECT_EQ(usageCommandOf({"no-such-command"}), "");
    EXPECT_EQ(usageCommandOf({"snap", "--no-such-option"}), "snap");
    EXPECT_EQ(usageCommandOf({"snap", "-o"}), "snap");           // missing value
    EXPECT_EQ(usageCommandOf({"stream", "--watch"}), "stream");  // another command's flag
    EXPECT_EQ(usageCommandOf({"temperature", "--watch=yes"}), "temperature");
    EXPECT_EQ(usageCommandOf({"--camera", "x", "list"}), "");
    EXPECT_EQ(usageCommandOf({"list", "--camera", "32"}), "list");
    EXPECT_EQ(usageCommandOf({"--bogus"}), "");
}

TEST(ParseInteger, AcceptsDecimalAndHexWithinRange) {
    EXPECT_EQ(parseInteger("c", "n", "0", 0, 10), 0);
    EXPECT_EQ(parseInteger("c", "n", "0x1F", 0, 255), 31);
    EXPECT_EQ(parseInteger("c", "n", "0XfF", 0, 255), 255);
    EXPECT_EQ(parseInteger("c", "n", "-5", -10, 10), -5);
    EXPECT_EQ(parseInteger("c", "n", "9223372036854775807", 0, LLONG_MAX), LLONG_MAX);
}

TEST(ParseInteger, RejectsGarbageOverflowAndOutOfRange) {
    for (const char* text : {"", "-", "0x", "12a", " 1", "1 ", "+1", "0x-1", "1.5",
                             "99999999999999999999", "9223372036854775808"}) {
        EXPECT_THROW(parseInteger("c", "n", text, LLONG_MIN + 1, LLONG_MAX), UsageError) << text;
    }
    EXPECT_THROW(parseInteger("c", "n", "256", 0, 255), UsageError);
    EXPECT_THROW(parseInteger("c", "n", "0x100", 0, 255), UsageError);
    EXPECT_THROW(parseInteger("c", "n", "-1", 0, 255), UsageError);
}

TEST(ParseSeconds, PositiveDecimalsOnly) {
    EXPECT_DOUBLE_EQ(parseSeconds("c", "--seconds", "2"), 2.0);
    EXPECT_DOUBLE_EQ(parseSeconds("c", "--seconds", "0.25"), 0.25);
    for (const char* text : {"0", "-1", "", "2s", "nan", "inf", "1e3", "abc"}) {
        EXPECT_THROW(parseSeconds("c", "--seconds", text), UsageError) << text;
    }
}

TEST(ParseExposure, UnitsAndBareMilliseconds) {
    EXPECT_DOUBLE_EQ(parseExposure("snap", "10ms"), 0.010);
    EXPECT_DOUBLE_EQ(parseExposure("snap", "0.5s"), 0.5);
    EXPECT_DOUBLE_EQ(parseExposure("snap", "250us"), 0.000250);
    EXPECT_DOUBLE_EQ(parseExposure("snap", "20"), 0.020);
    for (const char* text : {"", "s", "ms", "0ms", "-1ms", "10 ms", "10m", "1h", "10mss", "x5s"}) {
        EXPECT_THROW(parseExposure("snap", text), UsageError) << text;
    }
}

TEST(ParseWindow, SizeWithAndWithoutOffset) {
    WindowGeometry full = parseWindow("snap", "640x480+16+32");
    EXPECT_EQ(full.width, 640);
    EXPECT_EQ(full.height, 480);
    EXPECT_EQ(full.x, 16);
    EXPECT_EQ(full.y, 32);
    WindowGeometry size = parseWindow("snap", "320x240");
    EXPECT_EQ(size.width, 320);
    EXPECT_EQ(size.height, 240);
    EXPECT_EQ(size.x, 0);
    EXPECT_EQ(size.y, 0);
}

TEST(ParseWindow, RejectsMalformedGeometry) {
    for (const char* text :
         {"", "640", "640x", "x480", "0x480", "640x0", "640x480+1", "640x480+1+", "640x480++1",
          "640x480+1+2+3", "640x480-1-2", "640X480", "a x b", "640x480+-1+0"}) {
        EXPECT_THROW(parseWindow("snap", text), UsageError) << text;
    }
}

TEST(ParseMirror, AllFormsAndNothingElse) {
    EXPECT_TRUE(parseMirror("snap", "h").horizontal);
    EXPECT_FALSE(parseMirror("snap", "h").vertical);
    EXPECT_TRUE(parseMirror("snap", "v").vertical);
    EXPECT_FALSE(parseMirror("snap", "v").horizontal);
    for (const char* text : {"hv", "vh"}) {
        EXPECT_TRUE(parseMirror("snap", text).horizontal);
        EXPECT_TRUE(parseMirror("snap", text).vertical);
    }
    EXPECT_FALSE(parseMirror("snap", "none").horizontal);
    EXPECT_THROW(parseMirror("snap", "x"), UsageError);
    EXPECT_THROW(parseMirror("snap", "hh"), UsageError);
}

TEST(ParseColorMode, EightOrSixteen) {
    EXPECT_EQ(parseColorMode("snap", "8"), 8);
    EXPECT_EQ(parseColorMode("snap", "16"), 16);
    for (const char* text : {"12", "24", "0x10", "", "8bit"}) {
        EXPECT_THROW(parseColorMode("snap", text), UsageError) << text;
    }
}

TEST(CommandTable, EveryCommandHasItsUsageAndAnOverviewLine) {
    const std::string overview = overviewText();
    ASSERT_EQ(commandTable().size(), 16u);
    for (const CommandHelp& command : commandTable()) {
        const std::string usage = commandUsageText(command);
        EXPECT_EQ(usage.rfind("usage: kelvra " + command.syntax.name, 0), 0u)
            << command.syntax.name;
        EXPECT_NE(usage.find("--camera"), std::string::npos);
        EXPECT_NE(overview.find("  " + command.syntax.name + " "), std::string::npos);
        // Each value option appears in the help the command prints.
        for (const std::string& option : command.syntax.valueOptions) {
            EXPECT_NE(usage.find("--" + option), std::string::npos)
                << command.syntax.name << " --" << option;
        }
    }
    EXPECT_EQ(findCommand("nope"), nullptr);
}

}  // namespace
}  // namespace kelvra::tool
