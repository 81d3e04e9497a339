#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/TextCodec.h"

namespace kelvra::platform {
namespace {

constexpr char kGuard = '\x5A';
constexpr char16_t kWideGuard = 0xBEEF;
constexpr size_t kGuardCount = 8;

// A buffer of `size` usable elements followed by guard elements that must survive.
template <typename Char>
class GuardedBuffer {
  public:
    GuardedBuffer(size_t size, Char guard)
        : m_size(size), m_guard(guard), m_data(size + kGuardCount, guard) {}
    Char* data() { return m_data.data(); }
    size_t size() const { return m_size; }
    bool GuardsIntact() const {
        for (size_t i = m_size; i < m_data.size(); ++i) {
            if (m_data[i] != m_guard) return false;
        }
        return true;
    }

  private:
    size_t m_size;
    Char m_guard;
    std::vector<Char> m_data;
};

// U+00E9, U+20AC, U+1D11E (a surrogate pair in UTF-16).
const char16_t kMixedWide[] = u"e\u00E9\u20AC\U0001D11E!";
const char kMixedNarrow[] = "e\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E!";

TEST(WideToNarrow, ConvertsEveryLengthOfSequence) {
    GuardedBuffer<char> out(64, kGuard);
    ASSERT_TRUE(WideToNarrow(kMixedWide, out.data(), out.size()));
    EXPECT_STREQ(out.data(), kMixedNarrow);
    ASSERT_TRUE(WideToNarrow(u"", out.data(), out.size()));
    EXPECT_STREQ(out.data(), "");
    EXPECT_TRUE(out.GuardsIntact());
}

TEST(WideToNarrow, ExactFitSucceedsAndOneShortFailsWithinTheBuffer) {
    const size_t needed = std::strlen(kMixedNarrow) + 1;
    GuardedBuffer<char> exact(needed, kGuard);
    ASSERT_TRUE(WideToNarrow(kMixedWide, exact.data(), exact.size()));
    EXPECT_STREQ(exact.data(), kMixedNarrow);
    EXPECT_TRUE(exact.GuardsIntact());
    // One byte short: the last character still fits but its terminator does not.
    GuardedBuffer<char> shortByOne(needed - 1, kGuard);
    EXPECT_FALSE(WideToNarrow(kMixedWide, shortByOne.data(), shortByOne.size()));
    EXPECT_TRUE(shortByOne.GuardsIntact());
    EXPECT_STREQ(shortByOne.data(), "");
    // A four-byte character with room for only three of its bytes plus terminator.
    GuardedBuffer<char> split(4, kGuard);
    EXPECT_FALSE(WideToNarrow(u"\U0001D11E", split.data(), split.size()));
    EXPECT_TRUE(split.GuardsIntact());
    GuardedBuffer<char> none(0, kGuard);
    EXPECT_FALSE(WideToNarrow(u"", none.data(), none.size()));
    EXPECT_TRUE(none.GuardsIntact());
}

TEST(WideToNarrow, RefusesUnpairedSurrogatesAndNulls) {
    const char16_t loneHighAtEnd[] = {u'a', 0xD834, 0};
    const char16_t highThenLetter[] = {0xD834, u'a', 0};
    const char16_t loneLow[] = {u'a', 0xDD1E, u'b', 0};
    const char16_t reversedPair[] = {0xDD1E, 0xD834, 0};
    for (const char16_t* bad : {loneHighAtEnd, highThenLetter, loneLow, reversedPair}) {
        GuardedBuffer<char> out(16, kGuard);
        EXPECT_FALSE(WideToNarrow(bad, out.data(), out.size()));
        EXPECT_TRUE(out.GuardsIntact());
    }
    char out[8];
    EXPECT_FALSE(WideToNarrow(nullptr, out, sizeof out));
    EXPECT_FALSE(WideToNarrow(u"a", nullptr, 8));
}

TEST(NarrowToWide, ConvertsAndMeasures) {
    const int needed = NarrowToWide(kMixedNarrow, nullptr, 0);
    const int expected = static_cast<int>(std::char_traits<char16_t>::length(kMixedWide)) + 1;
    EXPECT_EQ(needed, expected);
    GuardedBuffer<char16_t> out(static_cast<size_t>(needed), kWideGuard);
    ASSERT_EQ(NarrowToWide(kMixedNarrow, out.data(), out.size()), needed);
    EXPECT_EQ(std::u16string(out.data()), std::u16string(kMixedWide));
    EXPECT_TRUE(out.GuardsIntact());
    EXPECT_EQ(NarrowToWide("", nullptr, 0), 1);
}

TEST(NarrowToWide, OneShortFailsWithinTheBuffer) {
    const int needed = NarrowToWide(kMixedNarrow, nullptr, 0);
    GuardedBuffer<char16_t> shortByOne(static_cast<size_t>(needed) - 1, kWideGuard);
    EXPECT_EQ(NarrowToWide(kMixedNarrow, shortByOne.data(), shortByOne.size()), 0);
    EXPECT_TRUE(shortByOne.GuardsIntact());
    // Room for one unit of a surrogate pair only.
    GuardedBuffer<char16_t> half(2, kWideGuard);
    EXPECT_EQ(NarrowToWide("\xF0\x9D\x84\x9E", half.data(), half.size()), 0);
    EXPECT_TRUE(half.GuardsIntact());
    GuardedBuffer<char16_t> none(0, kWideGuard);
    EXPECT_EQ(NarrowToWide("", none.data(), none.size()), 0);
    EXPECT_TRUE(none.GuardsIntact());
    EXPECT_EQ(NarrowToWide(nullptr, nullptr, 0), 0);
    EXPECT_EQ(NarrowToWide("a", nullptr, 4), 0);
}

TEST(NarrowToWide, RefusesMalformedUtf8) {
    const char* const malformed[] = {
        "\x80",              // stray continuation
        "a\xBF",             // stray continuation after ASCII
        "\xC0\xAF",          // overlong '/'
        "\xC1\xBF",          // overlong
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xF0\x80\x80\xAF",  // overlong, four bytes
        "\xED\xA0\x80",      // high surrogate
        "\xED\xBF\xBF",      // low surrogate
        "\xF4\x90\x80\x80",  // U+110000
        "\xF5\x80\x80\x80",  // lead byte beyond the range
        "\xFF",              // never valid
        "\xE2\x82",          // cut short by the terminator
        "\xE2\x82"
        "A",                     // cut short by a letter
        "\xF0\x9D\x84",          // four-byte form cut short
        "\xF8\x88\x80\x80\x80",  // five-byte form
    };
    for (const char* bad : malformed) {
        EXPECT_EQ(NarrowToWide(bad, nullptr, 0), 0) << bad;
        GuardedBuffer<char16_t> out(16, kWideGuard);
        EXPECT_EQ(NarrowToWide(bad, out.data(), out.size()), 0) << bad;
        EXPECT_TRUE(out.GuardsIntact());
    }
}

// The first and last code point of each sequence length, and those around the surrogates,
// survive a round trip through both conversions.
TEST(TextCodec, BoundaryCodePointsRoundTrip) {
    const char* const boundaries[] = {"\x7F",         "\xC2\x80",         "\xDF\xBF",
                                      "\xE0\xA0\x80", "\xED\x9F\xBF",     "\xEE\x80\x80",
                                      "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"};
    for (const char* text : boundaries) {
        std::array<char16_t, 4> wide{};
        ASSERT_GT(NarrowToWide(text, wide.data(), wide.size()), 0) << text;
        std::array<char, 8> narrow{};
        ASSERT_TRUE(WideToNarrow(wide.data(), narrow.data(), narrow.size())) << text;
        EXPECT_STREQ(narrow.data(), text);
    }
    std::array<char16_t, 4> wide{};
    ASSERT_EQ(NarrowToWide("\xF4\x8F\xBF\xBF", wide.data(), wide.size()), 3);
    EXPECT_EQ(wide[0], 0xDBFF);
    EXPECT_EQ(wide[1], 0xDFFF);
}

}  // namespace
}  // namespace kelvra::platform
