#pragma once

#include <cstdint>
#include <string_view>

// The nine stars (九星), the ten stems (十干) and the twelve branches (十二支)
// of a Western year. The year counts as typed: no New Year or 立春 shift.
namespace almanac {

struct NineStar {
    std::int16_t number; // seireki mod 9
    std::u16string_view name;
};

struct Stem {
    std::int16_t number; // seireki mod 10
    std::u16string_view kanji;
    std::u16string_view kana; // five characters, padded with spaces
};

struct Branch {
    std::int16_t number; // seireki mod 12
    std::u16string_view kanji;
    std::u16string_view kana;        // three characters, padded with spaces
    std::u16string_view animal;      // the animal's everyday name, such as "ねずみ"
    std::u16string_view pictureName; // the file beside the program, such as "ne.jpg"
};

NineStar nineStar(std::int32_t seireki);
Stem stem(std::int32_t seireki);
Branch branch(std::int32_t seireki);

} // namespace almanac
