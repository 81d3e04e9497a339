#include "CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>

namespace kelvra::tool {
namespace {

const CommandSyntax* findSyntax(const std::vector<CommandSyntax>& syntaxes,
                                const std::string& name) {
    auto it = std::find_if(syntaxes.begin(), syntaxes.end(),
                           [&](const CommandSyntax& syntax) { return syntax.name == name; });
    return it == syntaxes.end() ? nullptr : &*it;
}

// "-o" is the only short option with a value; "-h" the only short flag.
std::string longName(const std::string& token) {
    if (token == "-o") return "output";
    if (token == "-h") return "help";
    return token.substr(2);
}

bool looksLikeOption(const std::string& token) {
    return token.size() >= 2 && token[0] == '-' && (token[1] == '-' || std::isalpha(token[1]));
}

// Applies one option token (already split from an inline "=value"). Returns true when it took
// the following token as its value.
bool applyOption(CommandLine& line, const CommandSyntax* syntax, const std::string& name,
                 const std::optional<std::string>& inlineValue, const std::string* next) {
    auto needValue = [&]() -> std::string {
        if (inlineValue) return *inlineValue;
        if (next == nullptr) throw UsageError(line.command, "--" + name + " needs a value");
        return *next;
    };
    auto noValue = [&] {
        if (inlineValue) throw UsageError(line.command, "--" + name + " takes no value");
    };
    if (name == "help") return noValue(), line.help = true, false;
    if (name == "version") return noValue(), line.version = true, false;
    if (name == "simulate") return noValue(), line.global.simulate = true, false;
    if (name == "json") return noValue(), line.global.json = true, false;
    if (name == "camera") {
        line.global.camera =
            static_cast<int>(parseInteger(line.command, "--camera", needValue(), 0, 31));
        return !inlineValue;
    }
    if (syntax != nullptr && syntax->valueOptions.count(name) != 0) {
        line.options[name] = needValue();
        return !inlineValue;
    }
    if (syntax != nullptr && syntax->flagOptions.count(name) != 0) {
        noValue();
        line.flags.insert(name);
        return false;
    }
    std::vector<std::string> known = {"help", "version", "simulate", "json", "camera"};
    if (syntax != nullptr) {
        known.insert(known.end(), syntax->valueOptions.begin(), syntax->valueOptions.end());
        known.insert(known.end(), syntax->flagOptions.begin(), syntax->flagOptions.end());
    }
    throw UsageError(line.command, "unknown option --" + name + didYouMean(name, known, "--"));
}

// Edits (insert, delete, replace) between two short words.
size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

// Walks the tokens once: global options anywhere, the first operand names the command, the rest
// belong to it. "--" ends option parsing.
CommandLine parseCommandLine(const std::vector<std::string>& args,
                             const std::vector<CommandSyntax>& syntaxes) {
    CommandLine line;
    const CommandSyntax* syntax = nullptr;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& token = args[i];
        if (!optionsEnded && token == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && looksLikeOption(token)) {
            std::string name = longName(token);
            std::optional<std::string> inlineValue;
            if (auto eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
            }
            const std::string* next = i + 1 < args.size() ? &args[i + 1] : nullptr;
            if (applyOption(line, syntax, name, inlineValue, next)) ++i;
            continue;
        }
        if (line.command.empty()) {
            syntax = findSyntax(syntaxes, token);
            if (syntax == nullptr) {
                std::vector<std::string> names;
                for (const CommandSyntax& known : syntaxes) names.push_back(known.name);
                throw UsageError("", "unknown command '" + token + "'" + didYouMean(token, names));
            }
            line.command = token;
            continue;
        }
        line.operands.push_back(token);
    }
    if (syntax != nullptr && !line.help) {
        if (line.operands.size() < syntax->minOperands)
            throw UsageError(line.command, "too few operands");
        if (line.operands.size() > syntax->maxOperands)
            throw UsageError(line.command, "unexpected operand '" + line.operands.back() + "'");
    }
    return line;
}

// Close enough: one edit in a word of up to three letters, two (a swapped pair) in a longer
// one, or the text is the start of the candidate.
std::string didYouMean(std::string_view text, const std::vector<std::string>& candidates,
                       std::string_view prefix) {
    constexpr size_t kShortWord = 3;
    const std::string* best = nullptr;
    size_t bestDistance = text.size() <= kShortWord ? 2 : 3;
    for (const std::string& candidate : candidates) {
        const size_t distance =
            candidate.starts_with(text) && !text.empty() ? 1 : editDistance(text, candidate);
        if (distance < bestDistance) {
            best = &candidate;
            bestDistance = distance;
        }
    }
    if (best == nullptr) return "";
    return " (did you mean '" + std::string(prefix) + *best + "'?)";
}

// Decimal, or hexadecimal after "0x"; no sign other than a leading '-', no trailing text.
long long parseInteger(std::string_view command, std::string_view what, std::string_view text,
                       long long min, long long max) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && digits.front() == '-') {
        negative = true;
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    unsigned long long magnitude = 0;
    auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    const bool whole =
        !digits.empty() && error == std::errc() && end == digits.data() + digits.size();
    if (!whole || magnitude > static_cast<unsigned long long>(LLONG_MAX)) {
        throw UsageError(std::string(command), std::string(what) + ": '" + std::string(text) +
                                                   "' is not a number from " + std::to_string(min) +
                                                   " to " + std::to_string(max));
    }
    const long long value =
        negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (value < min || value > max) {
        throw UsageError(std::string(command), std::string(what) + ": " + std::string(text) +
                                                   " is outside " + std::to_string(min) + ".." +
                                                   std::to_string(max));
    }
    return value;
}

namespace {

// A finite, non-negative decimal number making up the whole text; nullopt otherwise.
std::optional<double> parseDecimal(std::string_view text) {
    double value = 0;
    auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    if (!std::isfinite(value) || value < 0) return {};
    return value;
}

}  // namespace

double parseSeconds(std::string_view command, std::string_view what, std::string_view text) {
    auto value = parseDecimal(text);
    if (!value || *value <= 0) {
        throw UsageError(std::string(command), std::string(what) + ": '" + std::string(text) +
                                                   "' is not a positive number of seconds");
    }
    return *value;
}

double parseExposure(std::string_view command, std::string_view text, std::string_view what) {
    struct Unit {
        std::string_view suffix;
        double seconds;
    };
    // Longest suffixes first, so "ms" is not read as "s".
    // "µs" is how the tool prints them, so that a printed value can be given back.
    static constexpr Unit kUnits[] = {{"µs", 1e-6}, {"us", 1e-6}, {"ms", 1e-3}, {"s", 1.0}};
    double scale = 1e-3;  // a bare number is milliseconds
    std::string_view number = text;
    for (const Unit& unit : kUnits) {
        if (number.size() > unit.suffix.size() && number.ends_with(unit.suffix)) {
            number.remove_suffix(unit.suffix.size());
            scale = unit.seconds;
            break;
        }
    }
    auto value = parseDecimal(number);
    if (!value || *value <= 0) {
        throw UsageError(std::string(command), std::string(what) + ": '" + std::string(text) +
                                                   "' is not a time such as 10ms or 0.5s");
    }
    return *value * scale;
}

WindowGeometry parseWindow(std::string_view command, std::string_view text, std::string_view what) {
    auto bad = [&] {
        return UsageError(std::string(command), std::string(what) + ": '" + std::string(text) +
                                                    "' is not WIDTHxHEIGHT+X+Y");
    };
    auto take = [&](std::string_view& rest, char stop, int min) {
        const size_t end = rest.find(stop);
        std::string_view field = rest.substr(0, end);
        int value = 0;
        auto [ptr, error] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (field.empty() || error != std::errc() || ptr != field.data() + field.size() ||
            value < min) {
            throw bad();
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        return value;
    };
    std::string_view rest = text;
    if (rest.find('x') == std::string_view::npos) throw bad();
    WindowGeometry window;
    window.width = take(rest, 'x', 1);
    const bool hasOffset = rest.find('+') != std::string_view::npos;
    window.height = take(rest, '+', 1);
    if (hasOffset) {
        if (rest.find('+') == std::string_view::npos) throw bad();
        window.x = take(rest, '+', 0);
        window.y = take(rest, '\0', 0);
    }
    return window;
}

int parseColorMode(std::string_view command, std::string_view text, std::string_view what) {
    if (text == "8") return 8;
    if (text == "16") return 16;
    throw UsageError(std::string(command),
                     std::string(what) + ": '" + std::string(text) + "' is not 8 or 16");
}

Mirror parseMirror(std::string_view command, std::string_view text, std::string_view what) {
    if (text == "h") return {true, false};
    if (text == "v") return {false, true};
    if (text == "hv" || text == "vh") return {true, true};
    if (text == "none") return {false, false};
    throw UsageError(std::string(command),
                     std::string(what) + ": '" + std::string(text) + "' is not h, v, hv or none");
}

}  // namespace kelvra::tool
