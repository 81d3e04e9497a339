// The KELVRA_SIMULATED_CAMERAS grammar: a count, or a list of product ids.
#include <gtest/gtest.h>

#include "driver/SimulatedCamerasVariable.h"

namespace kelvra::driver {
namespace {

using Ids = std::vector<uint16_t>;

TEST(SimulatedCamerasVariableTest, CountMeansThatManyCamerasOfTheDefaultProduct) {
    EXPECT_EQ(parseSimulatedCameras("2", nullptr), Ids({0x3270, 0x3270}));
    EXPECT_EQ(parseSimulatedCameras(" 1 ", nullptr), Ids({0x3270}));
    EXPECT_EQ(parseSimulatedCameras("0", nullptr), Ids());
    EXPECT_EQ(parseSimulatedCameras("32", nullptr)->size(), 32u);
}

TEST(SimulatedCamerasVariableTest, ListOfHexProductIds) {
    EXPECT_EQ(parseSimulatedCameras("0x3270,0x3270", nullptr), Ids({0x3270, 0x3270}));
    EXPECT_EQ(parseSimulatedCameras("0X3260, 0x32d0 ,0x1", nullptr), Ids({0x3260, 0x32D0, 0x1}));
    EXPECT_EQ(parseSimulatedCameras("0xFFFF", nullptr), Ids({0xFFFF}));
}

TEST(SimulatedCamerasVariableTest, MalformedValuesSayWhy) {
    for (const char* bad :
         {"33", "-1", "2x", "0x", "0x12345", "0x0", "0x3270,", ",0x3270", "0x3270,,0x3270", "3270",
          "0x3270,2", "0xG1", "1 2", "99999999999", " ", ""}) {
        std::string why;
        EXPECT_FALSE(parseSimulatedCameras(bad, &why)) << '"' << bad << '"';
        EXPECT_FALSE(why.empty()) << '"' << bad << '"';
    }
}

TEST(SimulatedCamerasVariableTest, AtMostThirtyTwoIds) {
    std::string list = "0x3270";
    for (int i = 1; i < 32; ++i) list += ",0x3270";
    EXPECT_EQ(parseSimulatedCameras(list, nullptr)->size(), 32u);
    EXPECT_FALSE(parseSimulatedCameras(list + ",0x3270", nullptr));
}

}  // namespace
}  // namespace kelvra::driver
