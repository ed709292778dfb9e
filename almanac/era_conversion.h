#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Turning typed text into a Western year and naming a Western year in the
// Japanese era calendar. Every function is pure; "no value" (std::nullopt)
// means the result cannot be represented in the width the window stores.
namespace almanac {

// Reads the leading number of a text the way the year boxes are read:
// blanks, tabs, line feeds and the ideographic space are ignored anywhere
// (any other character, NUL included, ends the number);
// an optional sign; decimal digits with at most one "." and an optional
// exponent ("E" or "D", either case); or "&H" hexadecimal / "&O" octal
// digits. Full-width forms and U+2212 read like their ASCII counterparts.
// Reading stops at the first character that cannot continue the number; no
// number reads 0. The value is rounded half to even to a 32-bit integer;
// outside that range there is no value.
std::optional<std::int32_t> readNumber(std::u16string_view text);

// One entry of the era list: what it shows, what is added to the typed number
// to give the Western year, and the last typed year that still belongs to it.
struct EraEntry {
    std::u16string_view listText;
    std::int32_t offset;
    std::int32_t lastYear; // 0: the entry never runs out
};

inline constexpr std::array<EraEntry, 6> eraTable{{
    {u"西暦", 0, 0},
    {u"平成", 1988, 0},
    {u"昭和", 1925, 64},
    {u"大正", 1911, 15},
    {u"明治", 1867, 45},
    {u" ㍼", 1925, 64}, // the square form of 昭和, same rules as row 2
}};

// The four eras, newest first, as the list names them. An era's year n is
// the Western year start + n. Only 明治 and 平成 write their first year as
// 元: the first years of 大正 and 昭和 are named as the last of the era
// before them (1912 is 明治45, 1926 is 大正15).
struct Era {
    std::u16string_view name;
    std::int32_t start;
    bool firstYearIsGan;
};

inline constexpr std::array<Era, 4> eras{{
    {eraTable[1].listText, eraTable[1].offset, true},  // 平成
    {eraTable[2].listText, eraTable[2].offset, false}, // 昭和
    {eraTable[3].listText, eraTable[3].offset, false}, // 大正
    {eraTable[4].listText, eraTable[4].offset, true},  // 明治
}};

// Normalisation: the Western year of `nen` counted in list entry `listIndex`.
// No value for an index outside the list or a sum outside 32 bits.
std::optional<std::int32_t> westernYear(int listIndex, std::int32_t nen);

struct EraYears {
    std::int16_t heisei;
    std::int16_t showa;
    std::int16_t taisho;
    std::int16_t meiji;
};

// The year of `seireki` counted in each of the four eras; no value when any of
// them leaves 16 bits (every year above 34634, counted from 明治).
std::optional<EraYears> eraYears(std::int32_t seireki);

// Display choice: true when the result is named in the era calendar, false
// when it is answered as a Western year under the word "西暦".
bool usesEraForm(int listIndex, std::int32_t nen);

struct EraName {
    std::u16string name;
    std::u16string year;
};

// The era name and era-year text of a Western year: the newest era whose
// first year is past, or 元 in the first year of 明治 and 平成; both empty
// before 明治.
EraName eraName(std::int32_t seireki, const EraYears &years);

// The word shown in place of an era name when a year is answered as Western.
inline constexpr std::u16string_view westernEraWord = u"西暦";

// Plain decimal text, "-" for negatives, no padding.
std::u16string decimalText(std::int64_t value);

} // namespace almanac
