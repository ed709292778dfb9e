// The two age modes: this year (Option1) and a designated year (Option2).
#include "window_test_support.h"

using namespace testing;

class TestAgeModes : public WindowTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { form.reset(); }

    void option2AtStart();
    void designatedYearFollowsTyping();
    void emptyDesignatedYear();
    void inputMethodDesignatedYear();
    void lowDesignatedYearKeepsAge_data();
    void lowDesignatedYearKeepsAge();
    void option1ReturnsToThisYear();
    void downKeyInTheGroup();
    void unrepresentableDesignatedYear();
    void option1SelectedWithoutFocus();
    void option1PressedAndDraggedOff();

private:
    void enterWesternYear(const QString &year);
    void verifyAge(const QString &text, bool red);
    void verifyDesignatedMode(bool on);
};

void TestAgeModes::init() {
    open();
}

void TestAgeModes::enterWesternYear(const QString &year) {
    list->setCurrentIndex(0);
    QTest::mouseClick(textNen, Qt::LeftButton);
    QTest::keyClicks(textNen, year);
}

void TestAgeModes::verifyAge(const QString &text, bool red) {
    QCOMPARE(age->text(), text);
    QCOMPARE(age->palette().color(QPalette::WindowText), red ? QColor(Qt::red) : QColor(Qt::black));
}

// Selected option, enabled state and the colour painted, together.
void TestAgeModes::verifyDesignatedMode(bool on) {
    QCOMPARE(option2->isChecked(), on);
    QCOMPARE(option1->isChecked(), !on);
    QCOMPARE(textShitei->isEnabled(), on);
    const QColor seen = seenColour(textShitei, QPoint(6, textShitei->height() / 2));
    QCOMPARE(seen, on ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xC0, 0xC0, 0xC0));
}

void TestAgeModes::option2AtStart() {
    QTest::mouseClick(option2, Qt::LeftButton);
    verifyDesignatedMode(true);
    QVERIFY(textShitei->hasFocus());
    QCOMPARE(textShitei->selectedText(), "1990");
    QCOMPARE(form->formState().shiteiNen, 1990);
    verifyAge("1990", false); // no year entered: seireki is 0
}

void TestAgeModes::designatedYearFollowsTyping() {
    enterWesternYear("1990");
    QTest::mouseClick(option2, Qt::LeftButton);
    const QList<QPair<QString, bool>> ages{
        {"-1988", true}, {"-1970", true}, {"-1790", true}, {"10", false}};
    const QString typed = "2000";
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(textShitei, typed[i].toLatin1());
        verifyAge(ages[i].first, ages[i].second);
    }
    QCOMPARE(form->formState().shiteiNen, 2000);
}

void TestAgeModes::emptyDesignatedYear() {
    enterWesternYear("1990");
    QTest::mouseClick(option2, Qt::LeftButton);
    QTest::keyClick(textShitei, Qt::Key_Backspace);
    QCOMPARE(textShitei->text(), QString());
    QCOMPARE(form->formState().shiteiNen, 0);
    verifyAge("-1990", true);
}

// Full-width digits from a Japanese input method replace the selected year
// and count against the four-character limit.
void TestAgeModes::inputMethodDesignatedYear() {
    enterWesternYear("1990");
    QTest::mouseClick(option2, Qt::LeftButton);
    commitText(textShitei, "２０００１");
    QCOMPARE(textShitei->text(), "２０００");
    QCOMPARE(form->formState().shiteiNen, 2000);
    verifyAge("10", false);
}

void TestAgeModes::lowDesignatedYearKeepsAge_data() {
    QTest::addColumn<QString>("designated");
    QTest::addColumn<int>("shiteiNen");
    QTest::newRow("one") << "1" << 1;
    QTest::newRow("empty") << "" << 0;
}

void TestAgeModes::lowDesignatedYearKeepsAge() {
    QFETCH(QString, designated);
    QFETCH(int, shiteiNen);
    enterWesternYear("1990");
    QTest::mouseClick(option2, Qt::LeftButton);
    QTest::keyClick(textShitei, Qt::Key_Backspace);
    QTest::keyClicks(textShitei, designated);
    QTest::mouseClick(option1, Qt::LeftButton);
    const QString thisYearAge = QString::number(thisYear() - 1990);
    verifyAge(thisYearAge, false);
    QTest::mouseClick(option2, Qt::LeftButton);
    verifyDesignatedMode(true);
    QVERIFY(textShitei->hasFocus());
    QCOMPARE(form->formState().shiteiNen, shiteiNen);
    verifyAge(thisYearAge, false);
}

void TestAgeModes::option1ReturnsToThisYear() {
    enterWesternYear("2100");
    QTest::mouseClick(option2, Qt::LeftButton);
    QTest::keyClicks(textShitei, "2101");
    verifyAge("1", false);
    QTest::mouseClick(option1, Qt::LeftButton);
    verifyDesignatedMode(false);
    verifyAge(QString::number(thisYear() - 2100), true);
    QCOMPARE(textShitei->text(), "2101");
    QCOMPARE(form->formState().shiteiNen, 2101);
    // The next selection of Option2 reads the box again.
    QTest::mouseClick(option2, Qt::LeftButton);
    verifyAge("1", false);
}

// The tooltip of Option1 promises the arrow keys: Down selects Option2.
void TestAgeModes::downKeyInTheGroup() {
    enterWesternYear("1980");
    QTest::keyClick(textNen, Qt::Key_Down);
    QVERIFY(option1->hasFocus());
    QTest::keyClick(option1, Qt::Key_Up); // nothing above Option1
    verifyDesignatedMode(false);
    QTest::keyClick(option1, Qt::Key_Down);
    verifyDesignatedMode(true);
    QVERIFY(textShitei->hasFocus());
    QCOMPARE(textShitei->selectedText(), "1990");
    verifyAge("10", false);
}

// "1E10" cannot be represented: no age is written, shiteiNen stays, and the
// colour is still applied to the caption as it stands.
void TestAgeModes::unrepresentableDesignatedYear() {
    enterWesternYear("1990");
    QTest::mouseClick(option2, Qt::LeftButton);
    QTest::keyClicks(textShitei, "1E1");
    QCOMPARE(form->formState().shiteiNen, 10);
    verifyAge("-1980", true);
    QTest::keyClick(textShitei, '0');
    QCOMPARE(textShitei->text(), "1E10");
    QCOMPARE(form->formState().shiteiNen, 10);
    verifyAge("-1980", true);
    // Entering the mode again with it reads nothing new either.
    QTest::mouseClick(option1, Qt::LeftButton);
    QTest::mouseClick(option2, Qt::LeftButton);
    QCOMPARE(form->formState().shiteiNen, 10);
    verifyAge(QString::number(thisYear() - 1990), false);
}

// Selected by other means than the focus (as an accessibility action does),
// Option1 still brings the this-year mode.
void TestAgeModes::option1SelectedWithoutFocus() {
    enterWesternYear("1990");
    QTest::mouseClick(option2, Qt::LeftButton);
    QTest::keyClicks(textShitei, "1980");
    option1->click();
    verifyDesignatedMode(false);
    verifyAge(QString::number(thisYear() - 1990), false);
}

// A press on Option1 that is released elsewhere still leaves it focused; an
// option button that takes the focus is the selected one.
void TestAgeModes::option1PressedAndDraggedOff() {
    enterWesternYear("1990");
    QTest::mouseClick(option2, Qt::LeftButton);
    QTest::mousePress(option1, Qt::LeftButton);
    QTest::mouseRelease(option1, Qt::LeftButton, {}, QPoint(-50, -50));
    QVERIFY(option1->hasFocus());
    verifyDesignatedMode(false);
}

QTEST_MAIN(TestAgeModes)
#include "tst_age_modes.moc"
