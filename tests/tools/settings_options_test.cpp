// The settings as the user writes them, without the camera library: what is refused before a
// camera is touched, and the texts that must read back as what was printed.
#include <gtest/gtest.h>

#include "Formatting.h"
#include "Json.h"
#include "ParseArgs.h"
#include "SettingsOptions.h"

namespace kelvra::tool {
namespace {

std::string usageMessage(std::vector<std::string> args) {
    try {
        settingsFromOptions(parse(std::move(args)));
    } catch (const UsageError& error) {
        return error.what();
    }
    return "<accepted>";
}

TEST(SettingsOptions, EveryRunCommandTakesTheSameSettings) {
    const SettingsRequest stream = settingsFromOptions(parse({"stream",          "--exposure",
                                                              "250us",           "--gain=7",
                                                              "--window",        "1280x512+0+256",
                                                              "--mirror",        "v",
                                                              "--color-mode",    "16",
                                                              "--cooler",        "off",
                                                              "--auto-exposure", "gain",
                                                              "--mask",          "m.msk",
                                                              "--dot-filter",    "on",
                                                              "--black-level",   "4095"}));
    EXPECT_DOUBLE_EQ(*stream.exposure, 250e-6);
    EXPECT_EQ(*stream.gain, 7);
    EXPECT_EQ(stream.window->height, 512);
    EXPECT_EQ(stream.window->y, 256);
    EXPECT_TRUE(stream.mirror->vertical && !stream.mirror->horizontal);
    EXPECT_EQ(*stream.colorMode, 16);
    EXPECT_FALSE(*stream.cooler);
    EXPECT_EQ(*stream.autoExposure, AutoExposure::Gain);
    EXPECT_EQ(*stream.mask, "m.msk");
    EXPECT_TRUE(*stream.dotFilter);
    EXPECT_EQ(*stream.blackLevel, 4095);
    EXPECT_FALSE(stream.flatField.has_value());

    const SettingsRequest snap = settingsFromOptions(parse({"snap", "-o", "a.png"}));
    EXPECT_TRUE(snap.empty());
}

TEST(SettingsOptions, BadValuesAreRefusedByNameBeforeTheCamera) {
    EXPECT_EQ(usageMessage({"stream", "--cooler", "1"}), "--cooler: '1' is not on or off");
    EXPECT_EQ(usageMessage({"stream", "--black-level", "4096"}),
              "--black-level: 4096 is outside 0..4095");
    EXPECT_EQ(usageMessage({"snap", "-o", "a.png", "--auto-exposure", "on"}),
              "--auto-exposure: 'on' is not off, exposure or gain");
    EXPECT_EQ(usageMessage({"stream", "--mask", "m.msk", "--flat-field", "off"}),
              "--mask switches the flat-field on; drop --flat-field off");
    SettingsRequest request;
    EXPECT_THROW(parseSetting(request, "set", "window", "window", "1280x"), UsageError);
    try {
        parseSetting(request, "set", "exposre", "exposre", "1ms");
        ADD_FAILURE() << "a misspelt setting was accepted";
    } catch (const UsageError& error) {
        EXPECT_STREQ(error.what(), "unknown setting 'exposre' (did you mean 'exposure'?)");
    }
}

// Without its space (a shell word), a printed time is a valid exposure.
TEST(SettingsOptions, PrintedTimesReadBackAsTheSameValue) {
    for (const double seconds : {20.3e-6, 250e-6, 0.0138, 0.5, 2.0}) {
        std::string text = formatDuration(seconds);
        text.erase(text.find(' '), 1);
        EXPECT_NEAR(parseExposure("set", text), seconds, seconds * 1e-3) << text;
    }
    EXPECT_EQ(formatDuration(2.0333e-05), "20.3 µs");
    EXPECT_EQ(formatDuration(0.01), "10.0 ms");
    EXPECT_EQ(formatDuration(2.0), "2.00 s");
}

TEST(SettingsOptions, TyposGetTheNearestNameOnlyWhenItIsClose) {
    EXPECT_EQ(didYouMean("gian", {"gain", "seconds"}, "--"), " (did you mean '--gain'?)");
    EXPECT_EQ(didYouMean("strem", {"snap", "stream", "set"}), " (did you mean 'stream'?)");
    EXPECT_EQ(didYouMean("expo", {"exposure", "gain"}), " (did you mean 'exposure'?)");
    EXPECT_EQ(didYouMean("xyz", {"get", "set"}), "");
    EXPECT_EQ(didYouMean("frobnicate", {"stream", "record"}), "");
}

TEST(Json, KeysKeepTheirOrderAndTextIsEscaped) {
    const Json document{
        {"name", "a \"b\"\n"}, {"value", jsonOrNull(std::optional<int>())}, {"z", 1}, {"a", 2.5}};
    EXPECT_EQ(document.dump(), R"({"name":"a \"b\"\n","value":null,"z":1,"a":2.5})");
}

}  // namespace
}  // namespace kelvra::tool
