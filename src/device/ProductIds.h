// Product ids the device core tells apart: the family this library serves and the products whose
// shared code paths differ (stream kind, ring depth, register variants, retry rules).
#pragma once

#include <cstdint>
#include <initializer_list>

namespace kelvra::product {

inline constexpr int32_t kNone = -1;

// IMX990 family: uncooled and cooled IMX990, IMX991, IMX992, IMX993.
inline constexpr int32_t kImx990Uncooled = 0x3260;
inline constexpr int32_t kImx990Cooled = 0x3270;  // the product of this library
inline constexpr int32_t kImx991Uncooled = 0x3280;
inline constexpr int32_t kImx991Cooled = 0x3290;
inline constexpr int32_t kImx992Uncooled = 0x3370;
inline constexpr int32_t kImx992Cooled = 0x3380;
inline constexpr int32_t kImx993Uncooled = 0x33C0;
inline constexpr int32_t kImx993Cooled = 0x33D0;

inline constexpr int32_t kSyncStream = 0x3042;   // frames in one piece from endpoint 0x83
inline constexpr int32_t kTripleFrame = 0x3130;  // three frames' worth of buffer per frame
inline constexpr int32_t kAltGeometry = 0x31E0;  // geometry in 154-157, rows bottom first
inline constexpr int32_t kSlowRestart = 0x3150;  // pauses before its stream restart
inline constexpr int32_t kModelE = 0x3140;       // FPGA preset in the open sequence
inline constexpr int32_t kModuleConsole = 0x3180;
inline constexpr int32_t kModelJ = 0x3190;  // first failure ends a triggered transfer
inline constexpr int32_t kPendingExposure = 0x3200;
inline constexpr int32_t kGlux9701 = 0x32C0;
inline constexpr int32_t kGlux9701B = 0x33B0;
inline constexpr int32_t kModelG = 0x32D0;  // deeper ring, no geometry registers
inline constexpr int32_t kLi8020 = 0x3310;
inline constexpr int32_t kLi5040 = 0x3320;
inline constexpr int32_t kLi3030 = 0x3330;
inline constexpr int32_t kLi5030 = 0x3340;

inline bool IsOneOf(int32_t productId, std::initializer_list<int32_t> products) {
    for (int32_t product : products) {
        if (product == productId) return true;
    }
    return false;
}

// The whole IMX990 family (eight product ids).
inline bool IsImx990Family(int32_t productId) {
    return IsOneOf(productId, {kImx990Uncooled, kImx990Cooled, kImx991Uncooled, kImx991Cooled,
                               kImx992Uncooled, kImx992Cooled, kImx993Uncooled, kImx993Cooled});
}

// The first four: IMX990 and IMX991.
inline bool IsImx990FirstGeneration(int32_t productId) {
    return IsOneOf(productId, {kImx990Uncooled, kImx990Cooled, kImx991Uncooled, kImx991Cooled});
}

// The four-output-channel CCDs, which are powered down as they are closed.
inline bool IsChannelCcd(int32_t productId) {
    return IsOneOf(productId, {0x3090, 0x30B0, 0x30C0});
}

// Frames read as whole blocks through the memory window.
inline bool IsBlockStream(int32_t productId) {
    return IsOneOf(productId, {kLi8020, kLi5040, kLi3030, kLi5030});
}

}  // namespace kelvra::product
