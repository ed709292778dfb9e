#include "era_conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace almanac {
namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\u3000';
}

// The character as the number reader sees it: ASCII for the full-width forms
// and the minus sign, '\x7f' (which continues no number) for anything else,
// NUL included.
char readerChar(char16_t c) {
    if (c >= u'\uFF01' && c <= u'\uFF5E') { // full-width ASCII block
        c = static_cast<char16_t>(c - 0xFEE0);
    } else if (c == u'\u2212') { // MINUS SIGN
        c = u'-';
    }
    return c > 0 && c < 0x7F ? static_cast<char>(c) : '\x7f';
}

std::string readerText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (!isBlank(c)) {
            out.push_back(readerChar(c));
        }
    }
    return out;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int digitValue(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

constexpr std::int64_t int32Max = std::numeric_limits<std::int32_t>::max();

// "&H" / "&O" integers; `s` starts after the prefix.
std::optional<std::int32_t> readRadixInteger(std::string_view s, int radix) {
    std::int64_t value = 0;
    for (const char c : s) {
        const int d = digitValue(c);
        if (d >= radix) {
            break;
        }
        value = value * radix + d;
        if (value > int32Max) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(value);
}

// Rounds to the nearest integer, a tie going to the even neighbour,
// independently of the floating-point environment's rounding mode.
double roundHalfEven(double v) {
    const double down = std::floor(v);
    const double rest = v - down;
    if (rest > 0.5) {
        return down + 1;
    }
    if (rest < 0.5) {
        return down;
    }
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1;
}

std::optional<std::int32_t> toInt32(double v) {
    const double r = roundHalfEven(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(r);
}

std::optional<std::int32_t> readDecimal(std::string_view s) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        negative = s[pos] == '-';
        ++pos;
    }
    std::string digits; // integer and fraction digits, without the point
    std::int64_t integerDigits = 0;
    bool seenPoint = false;
    for (; pos < s.size(); ++pos) {
        if (isDigit(s[pos])) {
            digits.push_back(s[pos]);
            integerDigits += seenPoint ? 0 : 1;
        } else if (s[pos] == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (digits.empty()) {
        return 0;
    }
    std::int64_t exponent = 0;
    if (pos < s.size() && (s[pos] == 'E' || s[pos] == 'e' || s[pos] == 'D' || s[pos] == 'd')) {
        std::size_t p = pos + 1;
        bool negativeExponent = false;
        if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
            negativeExponent = s[p] == '-';
            ++p;
        }
        if (p < s.size() && isDigit(s[p])) {
            for (; p < s.size() && isDigit(s[p]); ++p) {
                if (exponent < 1'000'000) { // saturate: far past any 32-bit value
                    exponent = exponent * 10 + (s[p] - '0');
                }
            }
            exponent = negativeExponent ? -exponent : exponent;
        }
    }
    const auto firstSignificant = digits.find_first_not_of('0');
    if (firstSignificant == std::string::npos) {
        return 0;
    }
    // The value is 0.<significant digits> x 10^scale.
    const std::int64_t scale =
        exponent + integerDigits - static_cast<std::int64_t>(firstSignificant);
    if (scale > 11) {
        return std::nullopt; // at least 10^10
    }
    if (scale < -1) {
        return 0; // below 0.01
    }
    const std::string text = "0." + digits.substr(firstSignificant) + "e" + std::to_string(scale);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return toInt32(negative ? -value : value);
}

} // namespace

std::optional<std::int32_t> readNumber(std::u16string_view text) {
    const std::string s = readerText(text);
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') {
            return readRadixInteger(std::string_view(s).substr(2), 16);
        }
        if (s[1] == 'O' || s[1] == 'o') {
            return readRadixInteger(std::string_view(s).substr(2), 8);
        }
    }
    return readDecimal(s);
}

std::optional<std::int32_t> westernYear(int listIndex, std::int32_t nen) {
    if (listIndex < 0 || std::cmp_greater_equal(listIndex, eraTable.size())) {
        return std::nullopt;
    }
    std::int32_t seireki = 0;
    if (__builtin_add_overflow(nen, eraTable[listIndex].offset, &seireki)) {
        return std::nullopt;
    }
    return seireki;
}

std::optional<EraYears> eraYears(std::int32_t seireki) {
    std::array<std::int16_t, eras.size()> years{};
    for (std::size_t i = 0; i < eras.size(); ++i) {
        const std::int64_t year = std::int64_t{seireki} - eras[i].start;
        if (year < std::numeric_limits<std::int16_t>::min() ||
            year > std::numeric_limits<std::int16_t>::max()) {
            return std::nullopt;
        }
        years[i] = static_cast<std::int16_t>(year);
    }
    return EraYears{years[0], years[1], years[2], years[3]};
}

bool usesEraForm(int listIndex, std::int32_t nen) {
    if (listIndex == 0) {
        return true; // a Western entry is always named in the era calendar
    }
    if (listIndex < 0 || std::cmp_greater_equal(listIndex, eraTable.size())) {
        return false;
    }
    // An era entry past the end of its era is carried into the era that
    // really holds the year; within its era it is answered as Western.
    const std::int32_t lastYear = eraTable[listIndex].lastYear;
    return lastYear != 0 && nen > lastYear;
}

EraName eraName(std::int32_t seireki, const EraYears &years) {
    const std::array<std::int16_t, eras.size()> year{years.heisei, years.showa, years.taisho,
                                                     years.meiji};
    for (std::size_t i = 0; i < eras.size(); ++i) {
        const Era &era = eras[i];
        if (era.firstYearIsGan && seireki == era.start + 1) {
            return {std::u16string(era.name), u"元"};
        }
        if (seireki > era.start + 1) {
            return {std::u16string(era.name), decimalText(year[i])};
        }
    }
    return {};
}

std::u16string decimalText(std::int64_t value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::u16string(buffer, end);
}

} // namespace almanac
