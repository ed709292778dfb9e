// libFuzzer target for the number reading rule.
//
// Any input, read as UTF-16, must be read without failing. Inputs folded to
// decimal digits with at most one point must give exactly what strtod plus
// round-half-to-even gives, and the same digits written full-width must read
// alike.
#include "era_conversion.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::optional<std::int32_t> reference(const std::string &digits) {
    const double value = std::strtod(digits.c_str(), nullptr);
    const double rounded = std::nearbyint(value); // FE_TONEAREST: ties to even
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::u16string raw;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        raw.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    (void)almanac::readNumber(raw);

    std::string digits;
    bool seenPoint = false;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = "0123456789."[data[i] % 11];
        if (c == '.' && seenPoint) {
            continue;
        }
        seenPoint = seenPoint || c == '.';
        digits.push_back(c);
    }
    std::u16string ascii(digits.begin(), digits.end());
    std::u16string fullWidth;
    for (const char16_t c : ascii) {
        fullWidth.push_back(static_cast<char16_t>(c + 0xFEE0));
    }
    const auto got = almanac::readNumber(ascii);
    const auto expected =
        digits.empty() || digits == "." ? std::optional<std::int32_t>(0) : reference(digits);
    if (got != expected || almanac::readNumber(fullWidth) != got) {
        std::abort();
    }
    return 0;
}
