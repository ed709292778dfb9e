// The calendar rules, without a window.
#include "almanac/age_reckoning.h"
#include "almanac/cycle_tables.h"
#include "almanac/era_conversion.h"
#include "model/almanac_model.h"

#include <QTest>

using namespace almanac;

namespace {
constexpr qint64 none = std::numeric_limits<qint64>::min();
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
qint64 orNone(std::optional<std::int32_t> v) {
    return v ? *v : none;
}
QString qs(std::u16string_view s) {
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}
std::u16string u16(const QString &s) {
    return s.toStdU16String();
}

// What the program computes for a typed number, in the model's terms.
testing::Outputs computed(int listIndex, std::int32_t nen) {
    const std::int32_t y = *westernYear(listIndex, nen);
    const auto years = eraYears(y);
    const EraName n = usesEraForm(listIndex, nen)
                          ? eraName(y, *years)
                          : EraName{std::u16string(westernEraWord), decimalText(y)};
    testing::Outputs o;
    o.gengo = QString::fromStdU16String(n.name);
    o.nen = QString::fromStdU16String(n.year);
    o.star = qs(nineStar(y).name);
    o.eto = qs(stem(y).kanji) + qs(branch(y).kanji);
    o.kana = qs(stem(y).kana) + qs(branch(y).kana);
    o.picture = qs(branch(y).pictureName);
    return o;
}
} // namespace

class TestAlmanac : public QObject {
    Q_OBJECT
private slots:
    void readNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        const QList<QPair<QString, qint64>> rows{{"1990", 1990},
                                                 {" 2 45 7", 2457},
                                                 {"19a", 19},
                                                 {"abc", 0},
                                                 {"", 0},
                                                 {".", 0},
                                                 {"-5", -5},
                                                 {"2.5", 2},
                                                 {"3.5", 4},
                                                 {"1.5", 2},
                                                 {"0.5", 0},
                                                 {"-1.5", -2},
                                                 {"2.5000001", 3},
                                                 {"1e3", 1000},
                                                 {"\t1\n9 9\t0", 1990},
                                                 {"19\r90", 19},
                                                 {"+12", 12},
                                                 {"--5", 0},
                                                 {"1.2.3", 1},
                                                 {".6", 1},
                                                 {"2D3", 2000},
                                                 {"2d3", 2000},
                                                 {"25E-1", 2},
                                                 {"7E", 7},
                                                 {"7E-", 7},
                                                 {"1e2.5", 100},
                                                 {"E5", 0},
                                                 {"1e-400", 0},
                                                 {"0e99999999999", 0},
                                                 {"0.0015e3", 2},
                                                 {"&HFF", 255},
                                                 {"&hff", 255},
                                                 {"&H1G", 1},
                                                 {"&H", 0},
                                                 {"&O17", 15},
                                                 {"&O78", 7},
                                                 {"&X1", 0},
                                                 {"&H7FFFFFFF", 2147483647},
                                                 {"&H80000000", none},
                                                 {"2147483647", 2147483647},
                                                 {"2147483647.5", none},
                                                 {"2147483647.4", 2147483647},
                                                 {"-2147483648", -2147483648LL},
                                                 {"-2147483648.5", -2147483648LL},
                                                 {"-2147483648.6", none},
                                                 {"2147483648", none},
                                                 {"1e5", 100000},
                                                 {"9E9", none},
                                                 {"9E99", none},
                                                 {"1e99999999999999999999", none},
                                                 {QString(40, '9'), none},
                                                 {"１９９０", 1990},
                                                 {"－５", -5},
                                                 {"\u22125", -5},
                                                 {"＋５", 5},
                                                 {"２．５", 2},
                                                 {"１Ｅ３", 1000},
                                                 {"＆Ｈｆｆ", 255},
                                                 {"１\u3000９", 19},
                                                 {"19年", 19},
                                                 {QString("19") + QChar(0) + "9", 19}};
        for (const auto &[text, expected] : rows) {
            QTest::newRow(
                qPrintable(text.isEmpty() ? "(empty)" : QString(text).replace(QChar(0), "NUL")))
                << text << expected;
        }
    }
    void readNumber() {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QCOMPARE(orNone(almanac::readNumber(u16(text))), expected);
    }

    // Past 32 bits, past 16-bit era years, off the list: no value, never a wrap.
    void limits() {
        QCOMPARE(orNone(westernYear(1, int32Max)), none);
        QCOMPARE(orNone(westernYear(4, int32Max - 1867)), qint64{int32Max});
        QCOMPARE(orNone(westernYear(-1, 5)), none);
        QCOMPARE(orNone(westernYear(6, 5)), none);
        QCOMPARE(eraYears(34634)->meiji, 32767);
        QVERIFY(!eraYears(34635) && !eraYears(int32Max) && !eraYears(-int32Max));
        QCOMPARE(orNone(ageInYear(std::numeric_limits<std::int32_t>::min(), 1)), none);
        QCOMPARE(orNone(ageInYear(int32Max, -1)), none);
    }

    // Every list entry, every typed number whose year has era years.
    void everyYearAgreesWithModel() {
        for (int listIndex = 0; listIndex < 6; ++listIndex) {
            for (int nen = 1; testing::westernYearOf(listIndex, nen) <= 34634; ++nen) {
                const testing::Outputs got = computed(listIndex, nen);
                testing::Outputs want = testing::expectedOutputs(listIndex, nen);
                want.picture = '\\' + want.picture;
                if (std::tie(got.gengo, got.nen, got.star, got.kana, got.eto, got.picture) !=
                    std::tie(want.gengo, want.nen, want.star, want.kana, want.eto, want.picture)) {
                    QFAIL(
                        qPrintable(QString("entry %1, %2: %3 %4 %5 %6 %7, model %8 %9 %10 %11 %12")
                                       .arg(listIndex)
                                       .arg(nen)
                                       .arg(got.gengo, got.nen, got.star, got.kana, got.eto)
                                       .arg(want.gengo, want.nen, want.star, want.kana, want.eto)));
                }
            }
        }
    }

    // The model itself, against facts of the calendar.
    void modelAnchors() {
        const auto at = [](int y) { return testing::expectedOutputs(0, y); };
        QCOMPARE(at(1984).eto, "甲子");
        QCOMPARE(at(1924).eto, "甲子");
        QCOMPARE(at(1930).eto, at(1990).eto);
        QVERIFY(at(1930).star != at(1990).star);
        QCOMPARE(at(2003).kana, "みずのと ひつじ");
        QCOMPARE(at(1868).gengo + at(1868).nen, "明治元");
        QCOMPARE(at(1912).gengo + at(1912).nen, "明治45");
        QCOMPARE(at(1926).gengo + at(1926).nen, "大正15");
        QCOMPARE(at(1989).gengo + at(1989).nen + at(1989).star, "平成元二黒土星");
        QCOMPARE(at(1867).gengo + at(1867).nen, "");
        QCOMPARE(testing::expectedOutputs(2, 70).gengo + testing::expectedOutputs(2, 70).nen,
                 "平成7");
    }

    // Every year from 1868 to 2100, named in its era, reads back through that
    // era's list entry (both 昭和 entries) to the same year.
    void everyEraYearRoundTrips() {
        const QHash<QString, QList<int>> entries{
            {"明治", {4}}, {"大正", {3}}, {"昭和", {2, 5}}, {"平成", {1}}};
        for (std::int32_t y = 1868; y <= 2100; ++y) {
            const EraName n = eraName(y, *eraYears(y));
            const QString year = QString::fromStdU16String(n.year);
            const QList<int> lists = entries.value(QString::fromStdU16String(n.name));
            QVERIFY2(!lists.isEmpty(), qPrintable(QString::number(y)));
            for (const int list : lists) {
                QCOMPARE(westernYear(list, year == "元" ? 1 : year.toInt()), y);
            }
        }
    }

    void ages() {
        QCOMPARE(orNone(ageThisYear(1990, 2026)), 36);
        QCOMPARE(orNone(ageThisYear(2026, 2026)), 0);
        QCOMPARE(orNone(ageThisYear(2100, 2026)), -74);
        QCOMPARE(orNone(ageThisYear(0, 2026)), 2026);
        QCOMPARE(orNone(ageInYear(1980, 1990)), -10);
        QCOMPARE(orNone(ageInYear(1990, 0)), 1990);
    }

    void signColour_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("red");
        const QList<QPair<QString, bool>> rows{
            {"36", false},         {"0", false},   {"-0", false},   {"-10", true},
            {"-2147483648", true}, {" -5 ", true}, {"-1e3", true},  {"-0.5", true},
            {"+5", false},         {"", false},    {"abc", false},  {"-5歳", false},
            {"--5", false},        {"+-5", false}, {"-inf", false}, {"－５", false}};
        for (const auto &[caption, red] : rows) {
            QTest::newRow(qPrintable(caption.isEmpty() ? "(empty)" : caption)) << caption << red;
        }
    }
    void signColour() {
        QFETCH(QString, caption);
        QFETCH(bool, red);
        QCOMPARE(almanac::signColour(u16(caption)) == AgeColour::Red, red);
    }
};

QTEST_GUILESS_MAIN(TestAlmanac)
#include "tst_almanac.moc"
