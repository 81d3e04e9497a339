#include "driver/SimulatedCamerasVariable.h"

#include <charconv>

namespace kelvra::driver {
namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool isDecimal(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// "0x" + 1..4 hex digits, non-zero.
std::optional<uint16_t> parseProductId(std::string_view text) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return {};
    std::string_view digits = text.substr(2);
    if (digits.size() > 4) return {};
    unsigned value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc{} || end != digits.data() + digits.size() || value == 0) return {};
    return static_cast<uint16_t>(value);
}

std::optional<std::vector<uint16_t>> parseCount(std::string_view text, std::string* why) {
    unsigned count = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (ec != std::errc{} || end != text.data() + text.size() || count > kMaxSimulatedCameras) {
        if (why) *why = "a count must be 0 to 32";
        return {};
    }
    return std::vector<uint16_t>(count, kDefaultSimulatedProductId);
}

}  // namespace

// Parses the variable's value (grammar in the header). Returns the product ids, one per camera
// (none for a count of 0); nullopt for a malformed value, with the reason in *why when why is not
// null. A blank value is the caller's to treat as unset; here it is malformed. Never throws.
std::optional<std::vector<uint16_t>> parseSimulatedCameras(std::string_view value,
                                                           std::string* why) {
    std::string_view text = trim(value);
    if (text.empty()) {
        if (why) *why = "empty value";
        return {};
    }
    if (isDecimal(text)) return parseCount(text, why);
    std::vector<uint16_t> ids;
    while (true) {
        size_t comma = text.find(',');
        std::string_view item = trim(text.substr(0, comma));
        std::optional<uint16_t> id = parseProductId(item);
        if (!id) {
            if (why) *why = "expected a count or product ids such as 0x3270,0x3270";
            return {};
        }
        if (ids.size() == kMaxSimulatedCameras) {
            if (why) *why = "at most 32 cameras";
            return {};
        }
        ids.push_back(*id);
        if (comma == std::string_view::npos) break;
        text = text.substr(comma + 1);
    }
    return ids;
}

}  // namespace kelvra::driver
