#include "cycle_tables.h"

namespace almanac {
namespace {

// Fixed-width tables, one string each, cut by position: entry i is the
// `width` characters starting at i * width.
constexpr std::u16string_view nineStars =
    u"二黒土星一白水星九紫火星八白土星七赤金星六白金星五黄土星四緑木星三碧木星";
constexpr std::u16string_view stemKanji = u"庚辛壬癸甲乙丙丁戊己";
constexpr std::u16string_view stemKana =
    u"かのえ  かのと  みずのえ みずのと きのえ  きのと  ひのえ  ひのと  つちのえ つちのと ";
constexpr std::u16string_view branchKanji = u"申酉戌亥子丑寅卯辰巳午未";

static_assert(nineStars.size() == std::size_t{9} * 4 && stemKanji.size() == 10 &&
              stemKana.size() == std::size_t{10} * 5 && branchKanji.size() == 12);

constexpr std::u16string_view cut(std::u16string_view table, int index, int width) {
    return table.substr(static_cast<std::size_t>(index) * width, width);
}

// The remainder in 0..n-1, also for a year below 1.
constexpr std::int16_t cycleIndex(std::int32_t seireki, int n) {
    return static_cast<std::int16_t>((seireki % n + n) % n);
}

struct BranchReading {
    std::u16string_view kana;
    std::u16string_view animal;
    std::u16string_view pictureName;
};

BranchReading branchReading(std::int16_t junishiNo) {
    switch (junishiNo) {
    case 0: return {u"さる ", u"さる", u"saru.jpg"};
    case 1: return {u"とり ", u"とり", u"tori.jpg"};
    case 2: return {u"いぬ ", u"いぬ", u"inu.jpg"};
    case 3: return {u"い  ", u"いのしし", u"i.jpg"};
    case 4: return {u"ね  ", u"ねずみ", u"ne.jpg"};
    case 5: return {u"うし ", u"うし", u"ushi.jpg"};
    case 6: return {u"とら ", u"とら", u"tora.jpg"};
    case 7: return {u"う  ", u"うさぎ", u"u.jpg"};
    case 8: return {u"たつ ", u"たつ", u"tatu.jpg"};
    case 9: return {u"み  ", u"へび", u"mi.jpg"};
    case 10: return {u"うま ", u"うま", u"uma.jpg"};
    default: return {u"ひつじ", u"ひつじ", u"hituji.jpg"};
    }
}

} // namespace

NineStar nineStar(std::int32_t seireki) {
    const std::int16_t n = cycleIndex(seireki, 9);
    return {n, cut(nineStars, n, 4)};
}

Stem stem(std::int32_t seireki) {
    const std::int16_t n = cycleIndex(seireki, 10);
    return {n, cut(stemKanji, n, 1), cut(stemKana, n, 5)};
}

Branch branch(std::int32_t seireki) {
    const std::int16_t n = cycleIndex(seireki, 12);
    const BranchReading reading = branchReading(n);
    return {n, cut(branchKanji, n, 1), reading.kana, reading.animal, reading.pictureName};
}

} // namespace almanac
