#include "almanac/era_conversion.h"
#include "model/almanac_model.h"

#include <QTest>

using namespace almanac;

namespace {

std::u16string_view view(const QString &s) {
    return {reinterpret_cast<const char16_t *>(s.utf16()), static_cast<std::size_t>(s.size())};
}

QString text(const std::u16string &s) {
    return QString::fromStdU16String(s);
}

constexpr qint64 noValue = std::numeric_limits<qint64>::min();

qint64 orNoValue(std::optional<std::int32_t> v) {
    return v ? *v : noValue;
}

// What the two era outputs show for an entry, as the window composes them.
QPair<QString, QString> shown(int listIndex, std::int32_t nen) {
    const auto seireki = westernYear(listIndex, nen);
    const auto years = seireki ? eraYears(*seireki) : std::nullopt;
    if (!years) {
        return {"(none)", "(none)"};
    }
    if (usesEraForm(listIndex, nen)) {
        const EraName n = eraName(*seireki, *years);
        return {text(n.name), text(n.year)};
    }
    return {text(std::u16string(westernEraWord)), QString::number(*seireki)};
}

} // namespace

class TestEraConversion : public QObject {
    Q_OBJECT
private slots:
    void readNumber_data();
    void readNumber();
    void normalisation_data();
    void normalisation();
    void display_data();
    void display();
    void eraYearsLimit();
    void everyEraYearRoundTrips();
    void everyYearAgreesWithIndependentModel();
};

void TestEraConversion::readNumber_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<qint64>("expected");

    // The rule's own examples.
    QTest::newRow("plain") << "1990" << 1990LL;
    QTest::newRow("blanks inside") << " 2 45 7" << 2457LL;
    QTest::newRow("stops at letter") << "19a" << 19LL;
    QTest::newRow("letters") << "abc" << 0LL;
    QTest::newRow("empty") << "" << 0LL;
    QTest::newRow("lone point") << "." << 0LL;
    QTest::newRow("negative") << "-5" << -5LL;
    QTest::newRow("2.5 to even") << "2.5" << 2LL;
    QTest::newRow("3.5 to even") << "3.5" << 4LL;
    QTest::newRow("1.5") << "1.5" << 2LL;
    QTest::newRow("0.5") << "0.5" << 0LL;
    QTest::newRow("-0.5") << "-0.5" << 0LL;
    QTest::newRow("-1.5") << "-1.5" << -2LL;
    QTest::newRow("2.5000001") << "2.5000001" << 3LL;
    QTest::newRow("exponent") << "1e3" << 1000LL;
    // Blanks, tabs, line feeds; other control characters stop the number.
    QTest::newRow("tab and lf") << "\t1\n9 9\t0" << 1990LL;
    QTest::newRow("carriage return stops") << "19\r90" << 19LL;
    // Sign, point and exponent forms.
    QTest::newRow("plus") << "+12" << 12LL;
    QTest::newRow("two signs") << "--5" << 0LL;
    QTest::newRow("sign then blank") << "- 5" << -5LL;
    QTest::newRow("second point stops") << "1.2.3" << 1LL;
    QTest::newRow("leading point") << ".6" << 1LL;
    QTest::newRow("D exponent") << "2D3" << 2000LL;
    QTest::newRow("lower d exponent") << "2d3" << 2000LL;
    QTest::newRow("signed exponent") << "25E-1" << 2LL;
    QTest::newRow("exponent plus") << "1E+2" << 100LL;
    QTest::newRow("bare E") << "7E" << 7LL;
    QTest::newRow("E and sign only") << "7E-" << 7LL;
    QTest::newRow("exponent then point") << "1e2.5" << 100LL;
    QTest::newRow("E first") << "E5" << 0LL;
    QTest::newRow("tiny") << "1e-400" << 0LL;
    QTest::newRow("zero huge exponent") << "0e999999999999" << 0LL;
    QTest::newRow("many zeros then digit") << "0.000000000000000000000000000000000000001e38" << 0LL;
    QTest::newRow("fraction scaled up") << "0.0000000000000000000000000000000000000015e39" << 2LL;
    // Hexadecimal and octal integers.
    QTest::newRow("hex") << "&HFF" << 255LL;
    QTest::newRow("hex lower") << "&hff" << 255LL;
    QTest::newRow("hex stops") << "&H1G" << 1LL;
    QTest::newRow("hex no digits") << "&H" << 0LL;
    QTest::newRow("octal") << "&O17" << 15LL;
    QTest::newRow("octal stops at 8") << "&O78" << 7LL;
    QTest::newRow("ampersand only") << "&" << 0LL;
    QTest::newRow("ampersand other") << "&X1" << 0LL;
    QTest::newRow("hex max") << "&H7FFFFFFF" << 2147483647LL;
    QTest::newRow("hex overflow") << "&H80000000" << noValue;
    QTest::newRow("octal overflow") << "&O77777777777" << noValue;
    // 32-bit edges, rounding at them and beyond.
    QTest::newRow("int max") << "2147483647" << 2147483647LL;
    QTest::newRow("int max .5 rounds out") << "2147483647.5" << noValue;
    QTest::newRow("int max .4") << "2147483647.4" << 2147483647LL;
    QTest::newRow("int min") << "-2147483648" << -2147483648LL;
    QTest::newRow("int min .5 rounds in") << "-2147483648.5" << -2147483648LL;
    QTest::newRow("int min .6") << "-2147483648.6" << noValue;
    QTest::newRow("past max") << "2147483648" << noValue;
    QTest::newRow("1e5") << "1e5" << 100000LL;
    QTest::newRow("9E9") << "9E9" << noValue;
    QTest::newRow("9E99") << "9E99" << noValue;
    QTest::newRow("1E10") << "1E10" << noValue;
    QTest::newRow("-9E99") << "-9E99" << noValue;
    QTest::newRow("huge exponent") << "1e99999999999999999999" << noValue;
    QTest::newRow("many digits") << QString(40, '9') << noValue;
    // Full-width forms, U+2212 and the ideographic space.
    QTest::newRow("full-width digits") << "１９９０" << 1990LL;
    QTest::newRow("full-width minus") << "－５" << -5LL;
    QTest::newRow("minus sign") << "\u22125" << -5LL;
    QTest::newRow("full-width plus") << "＋５" << 5LL;
    QTest::newRow("full-width point") << "２．５" << 2LL;
    QTest::newRow("full-width exponent") << "１Ｅ３" << 1000LL;
    QTest::newRow("full-width D") << "１ｄ２" << 100LL;
    QTest::newRow("full-width hex") << "＆Ｈｆｆ" << 255LL;
    QTest::newRow("full-width octal") << "＆Ｏ１７" << 15LL;
    QTest::newRow("ideographic space") << "１\u3000９" << 19LL;
    QTest::newRow("mixed widths") << "1９9０" << 1990LL;
    QTest::newRow("kanji stops") << "19年" << 19LL;
}

void TestEraConversion::readNumber() {
    QFETCH(QString, input);
    QFETCH(qint64, expected);
    QCOMPARE(orNoValue(almanac::readNumber(view(input))), expected);
}

void TestEraConversion::normalisation_data() {
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<int>("nen");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("西暦") << 0 << 1990 << 1990LL;
    QTest::newRow("平成") << 1 << 1 << 1989LL;
    QTest::newRow("昭和") << 2 << 5 << 1930LL;
    QTest::newRow("大正") << 3 << 1 << 1912LL;
    QTest::newRow("明治") << 4 << 1 << 1868LL;
    QTest::newRow("square 昭和") << 5 << 20 << 1945LL;
    QTest::newRow("西暦 at int max") << 0 << 2147483647 << 2147483647LL;
    QTest::newRow("平成 overflow") << 1 << 2147483647 << noValue;
    QTest::newRow("明治 overflow edge") << 4 << 2147483647 - 1867 << 2147483647LL;
    QTest::newRow("negative") << 2 << -2147483647 - 1 << -2147481723LL;
    QTest::newRow("no entry selected") << -1 << 5 << noValue;
    QTest::newRow("past the list") << 6 << 5 << noValue;
}

void TestEraConversion::normalisation() {
    QFETCH(int, listIndex);
    QFETCH(int, nen);
    QFETCH(qint64, expected);
    QCOMPARE(orNoValue(westernYear(listIndex, nen)), expected);
}

void TestEraConversion::display_data() {
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<int>("nen");
    QTest::addColumn<QString>("gengo");
    QTest::addColumn<QString>("year");

    // Naming boundaries, entered as Western years.
    QTest::newRow("1867") << 0 << 1867 << ""
                          << "";
    QTest::newRow("1868") << 0 << 1868 << "明治"
                          << "元";
    QTest::newRow("1869") << 0 << 1869 << "明治"
                          << "2";
    QTest::newRow("1912") << 0 << 1912 << "明治"
                          << "45";
    QTest::newRow("1913") << 0 << 1913 << "大正"
                          << "2";
    QTest::newRow("1926") << 0 << 1926 << "大正"
                          << "15";
    QTest::newRow("1927") << 0 << 1927 << "昭和"
                          << "2";
    QTest::newRow("1988") << 0 << 1988 << "昭和"
                          << "63";
    QTest::newRow("1989") << 0 << 1989 << "平成"
                          << "元";
    QTest::newRow("1990") << 0 << 1990 << "平成"
                          << "2";
    QTest::newRow("2026") << 0 << 2026 << "平成"
                          << "38";
    QTest::newRow("year 5") << 0 << 5 << ""
                            << "";
    QTest::newRow("34634") << 0 << 34634 << "平成"
                           << "32646";
    QTest::newRow("34635 has no era years") << 0 << 34635 << "(none)"
                                            << "(none)";
    // Each era entry at its last year (Western form) and one past it.
    QTest::newRow("平成 1") << 1 << 1 << "西暦"
                            << "1989";
    QTest::newRow("平成 100") << 1 << 100 << "西暦"
                              << "2088";
    QTest::newRow("昭和 64") << 2 << 64 << "西暦"
                             << "1989";
    QTest::newRow("昭和 65") << 2 << 65 << "平成"
                             << "2";
    QTest::newRow("昭和 70") << 2 << 70 << "平成"
                             << "7";
    QTest::newRow("大正 15") << 3 << 15 << "西暦"
                             << "1926";
    QTest::newRow("大正 16") << 3 << 16 << "昭和"
                             << "2";
    QTest::newRow("明治 45") << 4 << 45 << "西暦"
                             << "1912";
    QTest::newRow("明治 46") << 4 << 46 << "大正"
                             << "2";
    QTest::newRow("square 昭和 20") << 5 << 20 << "西暦"
                                    << "1945";
    QTest::newRow("square 昭和 64") << 5 << 64 << "西暦"
                                    << "1989";
    QTest::newRow("square 昭和 65") << 5 << 65 << "平成"
                                    << "2";
    // The choice uses the typed number, not the Western year.
    QTest::newRow("明治 before its start") << 4 << -1000 << "西暦"
                                           << "867";
}

void TestEraConversion::display() {
    QFETCH(int, listIndex);
    QFETCH(int, nen);
    QFETCH(QString, gengo);
    QFETCH(QString, year);
    const auto result = shown(listIndex, nen);
    QCOMPARE(result.first, gengo);
    QCOMPARE(result.second, year);
}

void TestEraConversion::eraYearsLimit() {
    const auto last = eraYears(34634);
    QVERIFY(last);
    QCOMPARE(last->meiji, 32767);
    QCOMPARE(last->heisei, 32646);
    QVERIFY(!eraYears(34635));
    QVERIFY(!eraYears(std::numeric_limits<std::int32_t>::max()));
    QVERIFY(!eraYears(std::numeric_limits<std::int32_t>::min()));
    const auto one = eraYears(1);
    QVERIFY(one);
    QCOMPARE(one->heisei, -1987);
    QCOMPARE(one->showa, -1924);
    QCOMPARE(one->taisho, -1910);
    QCOMPARE(one->meiji, -1866);
}

// Every year from 1868 on, named in its era, is read back through that era's
// list entry to the same Western year; the two 昭和 entries agree.
void TestEraConversion::everyEraYearRoundTrips() {
    const QHash<QString, QList<int>> entryOf{
        {"明治", {4}}, {"大正", {3}}, {"昭和", {2, 5}}, {"平成", {1}}};
    for (std::int32_t seireki = 1868; seireki <= 2100; ++seireki) {
        const auto years = eraYears(seireki);
        QVERIFY(years);
        const EraName name = eraName(seireki, *years);
        const QString yearText = text(name.year);
        const int eraYear = yearText == "元" ? 1 : yearText.toInt();
        QVERIFY2(eraYear >= 1, qPrintable(QString::number(seireki)));
        for (const int listIndex : entryOf.value(text(name.name))) {
            QCOMPARE(westernYear(listIndex, eraYear), seireki);
        }
        QVERIFY2(entryOf.contains(text(name.name)), qPrintable(QString::number(seireki)));
    }
}

// Every entry of the list, every typed number whose year has era years.
void TestEraConversion::everyYearAgreesWithIndependentModel() {
    for (int listIndex = 0; listIndex < 6; ++listIndex) {
        for (int nen = 1; testing::westernYearOf(listIndex, nen) <= 34634; ++nen) {
            const auto result = shown(listIndex, nen);
            const testing::Outputs model = testing::expectedOutputs(listIndex, nen);
            if (result.first != model.gengo || result.second != model.nen) {
                QFAIL(qPrintable(QString("entry %1, %2: %3 %4, model %5 %6")
                                     .arg(listIndex)
                                     .arg(nen)
                                     .arg(result.first, result.second, model.gengo, model.nen)));
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestEraConversion)
#include "tst_era_conversion.moc"
