// The calendar rules, without a window.
#include "age_reckoning.h"
#include "almanac_model.h"
#include "cycle_tables.h"
#include "era_conversion.h"
#include "year_shown.h"

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

// What the window shows for a typed number, in the model's terms.
testing::Outputs computed(int listIndex, std::int32_t nen) {
    const std::int32_t y = *westernYear(listIndex, nen);
    const YearShown shown = yearShown(listIndex, nen, y, *eraYears(y));
    testing::Outputs o;
    o.gengo = QString::fromStdU16String(shown.name.name);
    o.nen = QString::fromStdU16String(shown.name.year);
    o.star = qs(shown.star.name);
    o.eto = QString::fromStdU16String(shown.eto);
    o.kana = QString::fromStdU16String(shown.kana);
    o.picture = qs(shown.branch.pictureName);
    return o;
}
} // namespace

class TestAlmanac : public QObject {
    Q_OBJECT
private slots:
    void readNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        // clang-format off
        const QList<QPair<QString, qint64>> rows{
            {"1990", 1990}, {" 2 45 7", 2457}, {"19a", 19}, {"abc", 0}, {"", 0}, {".", 0}, {"-5", -5},
            {"2.5", 2}, {"3.5", 4}, {"0.5", 0}, {"-1.5", -2}, {"2.5000001", 3}, {"1e3", 1000},
            {"\t1\n9 9\t0", 1990}, {"19\r90", 19}, {"+12", 12}, {"--5", 0}, {"1.2.3", 1}, {".6", 1},
            {"2d3", 2000}, {"25E-1", 2}, {"7E", 7}, {"7E-", 7}, {"1e2.5", 100}, {"E5", 0},
            {"1e-400", 0}, {"0e99999999999", 0}, {"0.0015e3", 2}, {"&HFF", 255}, {"&H1G", 1},
            {"&H", 0}, {"&O17", 15}, {"&O78", 7}, {"&X1", 0}, {"&H7FFFFFFF", 2147483647},
            {"&H80000000", none}, {"2147483647", 2147483647}, {"2147483647.5", none},
            {"2147483647.4", 2147483647}, {"-2147483648", -2147483648LL},
            {"-2147483648.5", -2147483648LL}, {"-2147483648.6", none}, {"2147483648", none},
            {"1e5", 100000}, {"9E9", none}, {"9E99", none}, {"1e99999999999999999999", none},
            {QString(40, '9'), none}, {"１９９０", 1990}, {"－５", -5}, {"\u22125", -5}, {"＋５", 5},
            {"２．５", 2}, {"１Ｅ３", 1000}, {"＆Ｈｆｆ", 255}, {"１\u3000９", 19}, {"19年", 19},
            {QString("19") + QChar(0) + "9", 19}};
        // clang-format on
        for (const auto &[text, expected] : rows) {
            QTest::newRow(
                qPrintable(text.isEmpty() ? "(empty)" : QString(text).replace(QChar(0), "NUL")))
                << text << expected;
        }
    }
    void readNumber() {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QCOMPARE(orNone(almanac::readNumber(text.toStdU16String())), expected);
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
                const testing::Outputs got = computed(listIndex, nen),
                                       want = testing::expectedOutputs(listIndex, nen);
                if (got.signs() + got.picture != want.signs() + want.picture) {
                    QFAIL(
                        qPrintable(QString("entry %1, %2: %3 %4, model %5 %6")
                                       .arg(listIndex)
                                       .arg(nen)
                                       .arg(got.signs(), got.picture, want.signs(), want.picture)));
                }
            }
        }
    }

    // The model itself, against facts of the calendar.
    void modelAnchors() {
        const QList<std::tuple<int, int, QString>> facts{{0, 1984, "七赤金星|きのえ  ね  |甲子"},
                                                         {0, 1924, "|甲子"},
                                                         {0, 1868, "明治|元|"},
                                                         {0, 1912, "明治|45|"},
                                                         {0, 1926, "大正|15|"},
                                                         {0, 1989, "平成|元|二黒土星|"},
                                                         {2, 70, "平成|7|"},
                                                         {0, 2003, "みずのと ひつじ"},
                                                         {0, 1867, "||"}};
        for (const auto &[listIndex, nen, fact] : facts) {
            QVERIFY2(testing::expectedOutputs(listIndex, nen).signs().contains(fact),
                     qPrintable(fact));
        }
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
        QCOMPARE(almanac::signColour(caption.toStdU16String()) == AgeColour::Red, red);
    }
};

QTEST_GUILESS_MAIN(TestAlmanac)
#include "tst_almanac.moc"
