// Every change of the year text rewrites every output, or refuses the text.
#include "picture_box.h"
#include "window_test_support.h"

#include <QApplication>
#include <QClipboard>

using namespace testing;

class TestRecalculation : public WindowTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { form.reset(); }

    void typing_data();
    void typing();
    void refusedTextKeepsOutputs_data();
    void refusedTextKeepsOutputs();
    void eraChangeWaitsForTheText();
    void designatedModeUsesStoredYear();
    void inputMethodDigits_data();
    void inputMethodDigits();
    void formStateFollowsTheYear();

private:
    void choose(int listIndex) { list->setCurrentIndex(listIndex); }
    void verifyShows(const Outputs &o, int seireki);
};

void TestRecalculation::init() {
    open();
}

void TestRecalculation::verifyShows(const Outputs &o, int seireki) {
    QCOMPARE(control<QLabel>(*form, "lblGengo")->text(), o.gengo);
    QCOMPARE(control<QLabel>(*form, "lblNen")->text(), o.nen);
    QCOMPARE(control<QLabel>(*form, "lbl9sei")->text(), o.star);
    QCOMPARE(control<QLabel>(*form, "lblkana")->text(), o.kana);
    QCOMPARE(control<QLabel>(*form, "lbleto")->text(), o.eto);
    QCOMPARE(image->picture(), pictureFile(o.picture));
    QCOMPARE(age->text(), QString::number(thisYear() - seireki));
    QCOMPARE(age->palette().color(QPalette::WindowText),
             thisYear() - seireki < 0 ? QColor(Qt::red) : QColor(Qt::black));
}

// Each prefix of the typed text is a year, checked after every keystroke.
void TestRecalculation::typing_data() {
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<QString>("keys");
    QTest::newRow("昭和 5, 55") << 2 << "55";
    QTest::newRow("西暦 1, 19, 198, 1989") << 0 << "1989";
    QTest::newRow("西暦 1868") << 0 << "1868";
    QTest::newRow("西暦 1912") << 0 << "1912";
    QTest::newRow("西暦 2026") << 0 << "2026";
    QTest::newRow("西暦 far future, red age") << 0 << "9999";
    QTest::newRow("平成 100") << 1 << "100";
    QTest::newRow("昭和 64 and 65") << 2 << "6465";
    QTest::newRow("大正 15, 16") << 3 << "16";
    QTest::newRow("明治 45, 46") << 4 << "46";
    QTest::newRow("square 昭和 20") << 5 << "20";
}

void TestRecalculation::typing() {
    QFETCH(int, listIndex);
    QFETCH(QString, keys);
    choose(listIndex);
    for (int i = 0; i < keys.size(); ++i) {
        QTest::keyClick(textNen, keys[i].toLatin1());
        // "6465" overflows four characters: the box keeps the last four typed that fit.
        const int nen = textNen->text().toInt();
        verifyShows(expectedOutputs(listIndex, nen), westernYearOf(listIndex, nen));
    }
}

// A text that is no year, or one that cannot be represented, empties the box
// and leaves every output as the last accepted year left it.
void TestRecalculation::refusedTextKeepsOutputs_data() {
    QTest::addColumn<int>("listIndex");
    QTest::addColumn<QString>("text");
    QTest::newRow("letter") << 2 << "a";
    QTest::newRow("zero") << 2 << "0";
    QTest::newRow("negative") << 0 << "-5";
    QTest::newRow("half") << 0 << "0.5";
    QTest::newRow("lone point") << 0 << ".";
    QTest::newRow("past 16-bit era years") << 0 << "1e5";
    QTest::newRow("40000") << 0 << "4E4";
    QTest::newRow("past 32 bits") << 0 << "9E99";
    QTest::newRow("past 32 bits in an era") << 1 << "9E9";
    QTest::newRow("minus zero") << 3 << "-0";
}

void TestRecalculation::refusedTextKeepsOutputs() {
    QFETCH(int, listIndex);
    QFETCH(QString, text);
    choose(0);
    QTest::keyClicks(textNen, "1990");
    choose(listIndex);
    textNen->selectAll();
    // Pasted, so that the whole text is one change (typed, its first
    // characters would already be a year).
    QApplication::clipboard()->setText(text);
    QTest::keyClick(textNen, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(textNen->text(), QString());
    QCOMPARE(form->formState().nen, 0);
    QCOMPARE(form->formState().seireki, 0);
    verifyShows(expectedOutputs(0, 1990), 1990);
    // The box still works.
    choose(0);
    QTest::keyClicks(textNen, "2000");
    verifyShows(expectedOutputs(0, 2000), 2000);
}

void TestRecalculation::eraChangeWaitsForTheText() {
    QTest::keyClicks(textNen, "55"); // 昭和55 = 1980
    verifyShows(expectedOutputs(2, 55), 1980);
    choose(1); // 平成: nothing is recomputed by the choice itself
    verifyShows(expectedOutputs(2, 55), 1980);
    QTest::keyClick(textNen, Qt::Key_Backspace);
    QTest::keyClick(textNen, '5');
    verifyShows(expectedOutputs(1, 55), 2043);
    QCOMPARE(control<QLabel>(*form, "lblGengo")->text(), "西暦");
    QCOMPARE(control<QLabel>(*form, "lblNen")->text(), "2043");
}

void TestRecalculation::designatedModeUsesStoredYear() {
    QTest::mouseClick(control(*form, "Option2"), Qt::LeftButton); // shiteiNen 1990
    choose(0);
    QTest::mouseClick(textNen, Qt::LeftButton);
    QTest::keyClicks(textNen, "2000");
    QCOMPARE(age->text(), "-10");
    QCOMPARE(age->palette().color(QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(seenColour(age, QPoint(age->width() - 8, 12)).red() > 150, true);
}

void TestRecalculation::inputMethodDigits_data() {
    QTest::addColumn<QString>("committed");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<int>("seireki");
    QTest::newRow("full-width year") << "１９９０"
                                     << "１９９０" << 1990;
    QTest::newRow("five characters keep four") << "２０００１"
                                               << "２０００" << 2000;
    QTest::newRow("mixed") << "2０2６"
                           << "2０2６" << 2026;
}

void TestRecalculation::inputMethodDigits() {
    QFETCH(QString, committed);
    QFETCH(QString, expectedText);
    QFETCH(int, seireki);
    choose(0);
    commitText(textNen, committed);
    QCOMPARE(textNen->text(), expectedText);
    QCOMPARE(form->formState().seireki, seireki);
    verifyShows(expectedOutputs(0, seireki), seireki);
}

void TestRecalculation::formStateFollowsTheYear() {
    choose(0);
    QTest::keyClicks(textNen, "2003");
    const FormState &s = form->formState();
    QCOMPARE(s.nen, 2003);
    QCOMPARE(s.seireki, 2003);
    QCOMPARE(s.nenHeisei, 15);
    QCOMPARE(s.nenShowa, 78);
    QCOMPARE(s.nenTaisho, 92);
    QCOMPARE(s.nenMeiji, 136);
    QCOMPARE(s.kyuseiNo, 2003 % 9);
    QCOMPARE(s.jikkanNo, 2003 % 10);
    QCOMPARE(s.junishiNo, 2003 % 12);
    QCOMPARE(s.jikkanKana, "みずのと ");
    QCOMPARE(s.junishiKana, "ひつじ");
    QTest::keyClick(textNen, Qt::Key_Delete);
    QCOMPARE(s.nen, 0);
    QCOMPARE(s.seireki, 0);
    QCOMPARE(s.nenHeisei, 15); // the rest stays as the last year left it
}

QTEST_MAIN(TestRecalculation)
#include "tst_recalculation.moc"
