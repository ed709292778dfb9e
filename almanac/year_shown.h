#pragma once

#include "cycle_tables.h"
#include "era_conversion.h"

#include <cstdint>
#include <string>

// Everything the window shows for a year, composed from the rules: the year's
// name, its signs and readings, and its animal's picture.
namespace almanac {

struct YearShown {
    bool eraForm; // named in the eras, or answered as a Western year
    EraName name; // era name and year text, or "西暦" and the year
    NineStar star;
    Stem stem;
    Branch branch;
    std::u16string eto;  // the sexagenary sign in kanji: stem, branch
    std::u16string kana; // its reading, eight characters padded with spaces
};

// The year `seireki`, typed as `nen` in list entry `listIndex`, with its era
// years.
YearShown yearShown(int listIndex, std::int32_t nen, std::int32_t seireki, const EraYears &years);

} // namespace almanac
