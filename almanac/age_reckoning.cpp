#include "age_reckoning.h"

#include <charconv>
#include <string>

namespace almanac {
namespace {

std::optional<std::int32_t> checkedDifference(std::int32_t a, std::int32_t b) {
    std::int32_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference)) {
        return std::nullopt;
    }
    return difference;
}

// The caption as a double, or no value when it is not exactly one number.
std::optional<double> strictNumber(std::u16string_view caption) {
    while (!caption.empty() && caption.front() == u' ') {
        caption.remove_prefix(1);
    }
    while (!caption.empty() && caption.back() == u' ') {
        caption.remove_suffix(1);
    }
    std::string ascii;
    for (const char16_t c : caption) {
        if (std::u16string_view(u"0123456789.+-eE").find(c) == std::u16string_view::npos) {
            return std::nullopt;
        }
        ascii.push_back(static_cast<char>(c));
    }
    std::string_view s = ascii;
    // from_chars reads a leading '-' but not a '+'; neither may follow a sign.
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '-') {
            return std::nullopt;
        }
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (error != std::errc{} || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::int32_t> ageThisYear(std::int32_t seireki, std::int16_t currentYear) {
    return checkedDifference(currentYear, seireki);
}

std::optional<std::int32_t> ageInYear(std::int32_t shiteiNen, std::int32_t seireki) {
    return checkedDifference(shiteiNen, seireki);
}

AgeColour signColour(std::u16string_view caption) {
    const auto number = strictNumber(caption);
    return number && *number < 0 ? AgeColour::Red : AgeColour::Black;
}

} // namespace almanac
