#pragma once

// An independent model of what the window shows for a typed year, written
// from the calendar's own facts rather than from the program's tables: era
// start years, cycles counted from 1984 (甲子), and the nine-star rule
// 11 - (year mod 9). Shared by the almanac and the window tests.

#include <QString>
#include <QStringList>

namespace testing {

struct Outputs {
    QString gengo, nen, star, kana, eto, picture;
    // The five texts the window shows for the year, joined.
    QString signs() const { return QStringList{gengo, nen, star, kana, eto}.join('|'); }
};

// The Western year of `nen` in list entry `listIndex` (西暦 平成 昭和 大正 明治 ㍼).
inline int westernYearOf(int listIndex, int nen) {
    static const int offsets[] = {0, 1988, 1925, 1911, 1867, 1925};
    return nen + offsets[listIndex];
}

inline Outputs expectedOutputs(int listIndex, int nen) {
    static const int lastYears[] = {0, 0, 64, 15, 45, 64};
    const int y = westernYearOf(listIndex, nen);
    Outputs o;
    o.gengo = "西暦";
    o.nen = QString::number(y);
    if (listIndex == 0 || (lastYears[listIndex] && nen > lastYears[listIndex])) {
        // An era's first year is named in the era before it, but for 1868 and 1989 (元).
        static const QList<std::tuple<int, int, QString>> eras{
            {1990, 1988, "平成"}, {1927, 1925, "昭和"}, {1913, 1911, "大正"}, {1869, 1867, "明治"}};
        o.gengo = y == 1868 ? "明治" : y == 1989 ? "平成" : "";
        o.nen = o.gengo.isEmpty() ? "" : "元";
        for (const auto &[firstNamed, start, name] : eras) {
            if (o.gengo.isEmpty() && y >= firstNamed) {
                o.gengo = name;
                o.nen = QString::number(y - start);
            }
        }
    }
    // clang-format off
    static const QStringList stems{"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"},
        stemKana{"きのえ", "きのと", "ひのえ", "ひのと", "つちのえ", "つちのと", "かのえ", "かのと",
                 "みずのえ", "みずのと"},
        branches{"子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申", "酉", "戌", "亥"},
        branchKana{"ね", "うし", "とら", "う", "たつ", "み", "うま", "ひつじ", "さる", "とり", "いぬ", "い"},
        pictures{"ne", "ushi", "tora", "u", "tatu", "mi", "uma", "hituji", "saru", "tori", "inu", "i"},
        stars{"一白水星", "二黒土星", "三碧木星", "四緑木星", "五黄土星", "六白金星", "七赤金星",
              "八白土星", "九紫火星"};
    // clang-format on
    const int s = ((y - 1984) % 10 + 10) % 10, b = ((y - 1984) % 12 + 12) % 12;
    o.eto = stems[s] + branches[b];
    o.kana = stemKana[s].leftJustified(5, ' ') + branchKana[b].leftJustified(3, ' ');
    o.star = stars[((11 - y % 9) % 9 + 8) % 9];
    o.picture = pictures[b] + ".jpg";
    return o;
}

} // namespace testing
