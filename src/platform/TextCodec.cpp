#include "platform/TextCodec.h"

#include <climits>
#include <cstdint>
#include <cstring>

namespace kelvra::platform {

namespace {

constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kFirstSupplementary = 0x10000;
constexpr char32_t kLastCodePoint = 0x10FFFF;

bool IsHighSurrogate(char32_t unit) {
    return unit >= kHighSurrogateFirst && unit < kLowSurrogateFirst;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= kLowSurrogateFirst && unit <= kSurrogateLast;
}
bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Reads one code point at `wide`; returns the units used (1 or 2), 0 for an unpaired surrogate.
size_t DecodeUtf16(const char16_t* wide, char32_t* codePoint) {
    const char32_t first = wide[0];
    if (IsLowSurrogate(first)) return 0;
    if (!IsHighSurrogate(first)) {
        *codePoint = first;
        return 1;
    }
    const char32_t second = wide[1];  // the terminator at worst, which is no low surrogate
    if (!IsLowSurrogate(second)) return 0;
    *codePoint =
        kFirstSupplementary + ((first - kHighSurrogateFirst) << 10) + (second - kLowSurrogateFirst);
    return 2;
}

// Writes the UTF-8 form of a valid code point into bytes[0..3]; returns its length.
size_t EncodeUtf8(char32_t codePoint, unsigned char* bytes) {
    if (codePoint < 0x80) {
        bytes[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (codePoint >> 6));
        bytes[1] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < kFirstSupplementary) {
        bytes[0] = static_cast<unsigned char>(0xE0 | (codePoint >> 12));
        bytes[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    bytes[0] = static_cast<unsigned char>(0xF0 | (codePoint >> 18));
    bytes[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 12) & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 4;
}

// Reads one code point of well-formed UTF-8 at `p`; returns the bytes used, 0 when the
// sequence is malformed: a stray continuation, a lead byte that cannot start a sequence, a
// sequence cut short (the terminator is no continuation, so reading stops there), an overlong
// form, a surrogate or a value above U+10FFFF.
size_t DecodeUtf8(const unsigned char* p, char32_t* codePoint) {
    const unsigned char lead = p[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;  // below this the same value has a shorter, overlong-free form
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, smallest = kFirstSupplementary;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(p[i])) return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < smallest || value > kLastCodePoint) return 0;
    if (value >= kHighSurrogateFirst && value <= kSurrogateLast) return 0;
    *codePoint = value;
    return length;
}

}  // namespace

// Converts the NUL-terminated UTF-16 text `wide` into UTF-8 with its terminator in
// out[0..outBytes). Returns false when wide or out is null, when the text holds an unpaired
// surrogate, or when the result and terminator do not fit; out then holds an empty string (if
// outBytes > 0). Never writes at or past out + outBytes.
bool WideToNarrow(const char16_t* wide, char* out, size_t outBytes) {
    if (out == nullptr || outBytes == 0) return false;
    out[0] = '\0';
    if (wide == nullptr) return false;
    size_t used = 0;
    while (*wide != 0) {
        char32_t codePoint = 0;
        const size_t units = DecodeUtf16(wide, &codePoint);
        if (units == 0) break;
        unsigned char bytes[4];
        const size_t length = EncodeUtf8(codePoint, bytes);
        if (used + length + 1 > outBytes) break;
        std::memcpy(out + used, bytes, length);
        used += length;
        wide += units;
    }
    if (*wide != 0) {
        out[0] = '\0';
        return false;
    }
    out[used] = '\0';
    return true;
}

// Converts the NUL-terminated UTF-8 text `narrow` into UTF-16 with its terminator in
// out[0..outChars). Returns the units written including the terminator; with out null and
// outChars 0, the units that would be written. Returns 0 for a null narrow, malformed UTF-8,
// an out of no room, or a result that does not fit (out then holds an empty string if outChars >
// 0). Never writes at or past out + outChars.
int NarrowToWide(const char* narrow, char16_t* out, size_t outChars) {
    const bool measureOnly = out == nullptr;
    if (narrow == nullptr || (measureOnly ? outChars != 0 : outChars == 0)) return 0;
    if (!measureOnly) out[0] = u'\0';
    const auto* p = reinterpret_cast<const unsigned char*>(narrow);
    size_t count = 0;
    while (*p != 0) {
        char32_t codePoint = 0;
        const size_t length = DecodeUtf8(p, &codePoint);
        const size_t units = codePoint >= kFirstSupplementary ? 2 : 1;
        if (length == 0 || count + units >= static_cast<size_t>(INT_MAX)) break;
        if (!measureOnly) {
            if (count + units + 1 > outChars) break;
            if (units == 1) {
                out[count] = static_cast<char16_t>(codePoint);
            } else {
                const char32_t offset = codePoint - kFirstSupplementary;
                out[count] = static_cast<char16_t>(kHighSurrogateFirst + (offset >> 10));
                out[count + 1] = static_cast<char16_t>(kLowSurrogateFirst + (offset & 0x3FF));
            }
        }
        count += units;
        p += length;
    }
    if (*p != 0) {
        if (!measureOnly) out[0] = u'\0';
        return 0;
    }
    if (!measureOnly) out[count] = u'\0';
    return static_cast<int>(count + 1);
}

}  // namespace kelvra::platform
