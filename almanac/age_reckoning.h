#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Ages as whole-year differences of calendar years, and the colour an age
// caption is painted in.
namespace almanac {

// The age reached this year by a person born in `seireki`.
std::optional<std::int32_t> ageThisYear(std::int32_t seireki, std::int16_t currentYear);

// The age reached in `shiteiNen`; no value when the difference leaves 32 bits.
std::optional<std::int32_t> ageInYear(std::int32_t shiteiNen, std::int32_t seireki);

enum class AgeColour { Black, Red };

// Reads a caption back strictly as a whole number (optional blanks around it,
// an optional sign, digits, a point and an exponent; nothing else) and
// answers Red for a negative number, Black otherwise, including for a
// caption that is not a number at all.
AgeColour signColour(std::u16string_view caption);

} // namespace almanac
