#pragma once

#include <QString>
#include <cstdint>

// What the window remembers between events, in the order the window keeps it.
struct FormState {
    std::int32_t nen = 0;       // number read from textNen
    std::int32_t seireki = 0;   // Western year after normalisation
    std::int32_t shiteiNen = 0; // designated year read from textShitei
    std::int16_t nenMeiji = 0;  // seireki as a year of 明治
    std::int16_t nenTaisho = 0; // seireki as a year of 大正
    std::int16_t nenShowa = 0;  // seireki as a year of 昭和
    std::int16_t nenHeisei = 0; // seireki as a year of 平成
    std::int16_t kyuseiNo = 0;  // seireki mod 9
    std::int16_t jikkanNo = 0;  // seireki mod 10
    std::int16_t junishiNo = 0; // seireki mod 12
    QString kyusei;             // nine-star name
    QString jikkan;             // stem kanji
    QString junishi;            // branch kanji
    QString jikkanKana;         // stem reading, 5 characters
    QString junishiKana;        // branch reading, 3 characters
};
