#include "almanac/cycle_tables.h"

#include <QTest>

using namespace almanac;

namespace {

QString text(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// An independent model of the cycles, anchored at 1984 = 甲子 (the first year
// of a sexagenary cycle) and counted in the traditional order, and the
// nine-star rule "star = 11 - (year mod 9), counted round 1..9".
const QStringList stemsFromKinoe{"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
const QStringList branchesFromNe{"子", "丑", "寅", "卯", "辰", "巳",
                                 "午", "未", "申", "酉", "戌", "亥"};
const QHash<QString, QString> stemReading{
    {"甲", "きのえ"},   {"乙", "きのと"}, {"丙", "ひのえ"}, {"丁", "ひのと"},   {"戊", "つちのえ"},
    {"己", "つちのと"}, {"庚", "かのえ"}, {"辛", "かのと"}, {"壬", "みずのえ"}, {"癸", "みずのと"}};
const QHash<QString, QPair<QString, QString>> branchReading{
    {"子", {"ね", "ne"}},     {"丑", {"うし", "ushi"}},     {"寅", {"とら", "tora"}},
    {"卯", {"う", "u"}},      {"辰", {"たつ", "tatu"}},     {"巳", {"み", "mi"}},
    {"午", {"うま", "uma"}},  {"未", {"ひつじ", "hituji"}}, {"申", {"さる", "saru"}},
    {"酉", {"とり", "tori"}}, {"戌", {"いぬ", "inu"}},      {"亥", {"い", "i"}}};
const QStringList stars{"一白水星", "二黒土星", "三碧木星", "四緑木星", "五黄土星",
                        "六白金星", "七赤金星", "八白土星", "九紫火星"};

int positiveMod(int a, int n) {
    return (a % n + n) % n;
}

QString padded(const QString &s, int width) {
    return s.leftJustified(width, ' ');
}

} // namespace

class TestCycleTables : public QObject {
    Q_OBJECT
private slots:
    void knownYears_data();
    void knownYears();
    void agreesWithIndependentModel();
    void indicesMatchRemainders();
};

void TestCycleTables::knownYears_data() {
    QTest::addColumn<int>("seireki");
    QTest::addColumn<QString>("eto");
    QTest::addColumn<QString>("kana");
    QTest::addColumn<QString>("star");
    QTest::addColumn<QString>("picture");
    QTest::newRow("1980") << 1980 << "庚申"
                          << "かのえ  さる "
                          << "二黒土星"
                          << "\\saru.jpg";
    QTest::newRow("1984") << 1984 << "甲子"
                          << "きのえ  ね  "
                          << "七赤金星"
                          << "\\ne.jpg";
    QTest::newRow("1924 also 甲子") << 1924 << "甲子"
                                    << "きのえ  ね  "
                                    << "四緑木星"
                                    << "\\ne.jpg";
    QTest::newRow("1930") << 1930 << "庚午"
                          << "かのえ  うま "
                          << "七赤金星"
                          << "\\uma.jpg";
    QTest::newRow("1990 庚午, other star") << 1990 << "庚午"
                                           << "かのえ  うま "
                                           << "一白水星"
                                           << "\\uma.jpg";
    QTest::newRow("1995") << 1995 << "乙亥"
                          << "きのと  い  "
                          << "五黄土星"
                          << "\\i.jpg";
    QTest::newRow("2000") << 2000 << "庚辰"
                          << "かのえ  たつ "
                          << "九紫火星"
                          << "\\tatu.jpg";
    QTest::newRow("2003 no trailing space") << 2003 << "癸未"
                                            << "みずのと ひつじ"
                                            << "六白金星"
                                            << "\\hituji.jpg";
    QTest::newRow("1868") << 1868 << "戊辰"
                          << "つちのえ たつ "
                          << "六白金星"
                          << "\\tatu.jpg";
    QTest::newRow("1989") << 1989 << "己巳"
                          << "つちのと み  "
                          << "二黒土星"
                          << "\\mi.jpg";
    QTest::newRow("year 5") << 5 << "乙丑"
                            << "きのと  うし "
                            << "六白金星"
                            << "\\ushi.jpg";
}

void TestCycleTables::knownYears() {
    QFETCH(int, seireki);
    QFETCH(QString, eto);
    QFETCH(QString, kana);
    QFETCH(QString, star);
    QFETCH(QString, picture);
    const Stem s = stem(seireki);
    const Branch b = branch(seireki);
    QCOMPARE(text(s.kanji) + text(b.kanji), eto);
    QCOMPARE(text(s.kana) + text(b.kana), kana);
    QCOMPARE(text(nineStar(seireki).name), star);
    QCOMPARE(text(b.pictureName), picture);
}

void TestCycleTables::agreesWithIndependentModel() {
    for (int year = 1; year <= 34634; ++year) {
        const QString expectedStem = stemsFromKinoe[positiveMod(year - 1984, 10)];
        const QString expectedBranch = branchesFromNe[positiveMod(year - 1984, 12)];
        const int starNumber = positiveMod(11 - year % 9 - 1, 9); // 0-based: 0 is 一白
        const Stem s = stem(year);
        const Branch b = branch(year);
        if (text(s.kanji) != expectedStem || text(b.kanji) != expectedBranch ||
            text(s.kana) != padded(stemReading[expectedStem], 5) ||
            text(b.kana) != padded(branchReading[expectedBranch].first, 3) ||
            text(b.pictureName) != "\\" + branchReading[expectedBranch].second + ".jpg" ||
            text(nineStar(year).name) != stars[starNumber]) {
            QFAIL(qPrintable(QString("year %1 disagrees").arg(year)));
        }
    }
}

void TestCycleTables::indicesMatchRemainders() {
    for (const int year : {1, 8, 9, 10, 11, 12, 13, 1990, 34634}) {
        QCOMPARE(nineStar(year).number, year % 9);
        QCOMPARE(stem(year).number, year % 10);
        QCOMPARE(branch(year).number, year % 12);
    }
    // A year below 1 never reaches the window, but must still land in the tables.
    QCOMPARE(text(branch(-1).kanji), "未");
    QCOMPARE(text(stem(0).kanji), "庚");
}

QTEST_GUILESS_MAIN(TestCycleTables)
#include "tst_cycle_tables.moc"
