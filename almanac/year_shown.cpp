#include "year_shown.h"

namespace almanac {

YearShown yearShown(int listIndex, std::int32_t nen, std::int32_t seireki, const EraYears &years) {
    const bool eraForm = usesEraForm(listIndex, nen);
    const Stem s = stem(seireki);
    const Branch b = branch(seireki);
    return {eraForm,
            eraForm ? eraName(seireki, years)
                    : EraName{std::u16string(westernEraWord), decimalText(seireki)},
            nineStar(seireki),
            s,
            b,
            std::u16string(s.kanji) + std::u16string(b.kanji),
            std::u16string(s.kana) + std::u16string(b.kana)};
}

} // namespace almanac
