#include "almanac/age_reckoning.h"
#include "almanac/era_conversion.h"

#include <QTest>

using namespace almanac;

class TestAgeReckoning : public QObject {
    Q_OBJECT
private slots:
    void ages_data();
    void ages();
    void signColour_data();
    void signColour();
};

namespace {
constexpr qint64 noValue = std::numeric_limits<qint64>::min();
constexpr qint64 int32Max = std::numeric_limits<std::int32_t>::max();
constexpr qint64 int32Min = std::numeric_limits<std::int32_t>::min();
} // namespace

void TestAgeReckoning::ages_data() {
    QTest::addColumn<bool>("thisYear");
    QTest::addColumn<qint64>("from"); // current year or designated year
    QTest::addColumn<qint64>("seireki");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("this year positive") << true << 2026LL << 1990LL << 36LL;
    QTest::newRow("this year zero") << true << 2026LL << 2026LL << 0LL;
    QTest::newRow("this year negative") << true << 2026LL << 2100LL << -74LL;
    QTest::newRow("this year, nothing entered") << true << 2026LL << 0LL << 2026LL;
    QTest::newRow("this year, far future") << true << 2026LL << 34634LL << -32608LL;
    QTest::newRow("designated negative") << false << 1980LL << 1990LL << -10LL;
    QTest::newRow("designated zero") << false << 1990LL << 1990LL << 0LL;
    QTest::newRow("designated positive") << false << 2000LL << 1990LL << 10LL;
    QTest::newRow("designated, nothing entered") << false << 1990LL << 0LL << 1990LL;
    QTest::newRow("designated edge") << false << int32Min + 1 << 1LL << int32Min;
    QTest::newRow("designated below range") << false << int32Min << 1LL << noValue;
    QTest::newRow("designated above range") << false << int32Max << -1LL << noValue;
}

void TestAgeReckoning::ages() {
    QFETCH(bool, thisYear);
    QFETCH(qint64, from);
    QFETCH(qint64, seireki);
    QFETCH(qint64, expected);
    const auto age =
        thisYear ? ageThisYear(static_cast<std::int32_t>(seireki), static_cast<std::int16_t>(from))
                 : ageInYear(static_cast<std::int32_t>(from), static_cast<std::int32_t>(seireki));
    QCOMPARE(age ? qint64{*age} : noValue, expected);
    if (age) { // the caption written from it is coloured by its sign
        QCOMPARE(almanac::signColour(decimalText(*age)),
                 *age < 0 ? AgeColour::Red : AgeColour::Black);
    }
}

void TestAgeReckoning::signColour_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("red");
    QTest::newRow("positive") << "36" << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("minus zero") << "-0" << false;
    QTest::newRow("negative") << "-10" << true;
    QTest::newRow("int min") << "-2147483648" << true;
    QTest::newRow("blanks around") << " -5 " << true;
    QTest::newRow("exponent") << "-1e3" << true;
    QTest::newRow("fraction") << "-0.5" << true;
    QTest::newRow("plus") << "+5" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("not a number") << "abc" << false;
    QTest::newRow("trailing text") << "-5歳" << false;
    QTest::newRow("two signs") << "--5" << false;
    QTest::newRow("sign pair") << "+-5" << false;
    QTest::newRow("infinity word") << "-inf" << false;
    QTest::newRow("full-width") << "－５" << false;
}

void TestAgeReckoning::signColour() {
    QFETCH(QString, caption);
    QFETCH(bool, red);
    const std::u16string text = caption.toStdU16String();
    QCOMPARE(almanac::signColour(text) == AgeColour::Red, red);
}

QTEST_GUILESS_MAIN(TestAgeReckoning)
#include "tst_age_reckoning.moc"
