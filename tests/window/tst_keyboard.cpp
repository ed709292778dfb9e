// Keys, focus and selection.
#include "window_test_support.h"

#include <QApplication>

using namespace testing;

class TestKeyboard : public WindowTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { form.reset(); }

    void tabAlternates_data();
    void tabAlternates();
    void deleteEmptiesTheYear_data();
    void deleteEmptiesTheYear();
    void downEntersThisYearMode_data();
    void downEntersThisYearMode();
    void upLeavesTheDesignatedYear();
    void enterInTheList();
    void enterInOption1();
    void enterSelectsWholeText_data();
    void enterSelectsWholeText();
    void keysWithoutActions_data();
    void keysWithoutActions();
    void leftMovesFocusNotCaret_data();
    void leftMovesFocusNotCaret();
    void clickSelectsTheYear();
    void listKeepsItsArrowKeys();

private:
    QString outputsSnapshot() const;
};

void TestKeyboard::init() {
    open();
    list->setCurrentIndex(0);
    QTest::keyClicks(textNen, "1990");
}

QString TestKeyboard::outputsSnapshot() const {
    QStringList texts;
    for (const char *name : {"lblGengo", "lblNen", "lbl9sei", "lblkana", "lbleto", "lblnenrei"}) {
        texts << control<QLabel>(*form, name)->text();
    }
    return texts.join('|');
}

// Once the year box has had the focus, Tab and Shift+Tab only alternate
// between it and the era list, from wherever they are pressed.
void TestKeyboard::tabAlternates_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("backwards");
    for (const bool back : {false, true}) {
        const char *suffix = back ? " (Shift+Tab)" : " (Tab)";
        QTest::addRow("from textNen%s", suffix) << "textNen" << back;
        QTest::addRow("from Option1%s", suffix) << "Option1" << back;
        QTest::addRow("from textShitei%s", suffix) << "textShitei" << back;
    }
}

void TestKeyboard::tabAlternates() {
    QFETCH(QString, start);
    QFETCH(bool, backwards);
    if (start == "Option1") {
        QTest::keyClick(textNen, Qt::Key_Down);
    } else if (start == "textShitei") {
        QTest::mouseClick(option2, Qt::LeftButton);
    }
    QVERIFY(control(*form, qPrintable(start))->hasFocus());
    const QSet<QWidget *> allowed{textNen, list};
    QWidget *previous = nullptr;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        QWidget *now = QApplication::focusWidget();
        QVERIFY2(allowed.contains(now), qPrintable(now ? now->objectName() : "nothing"));
        QVERIFY(now != previous);
        previous = now;
    }
}

void TestKeyboard::deleteEmptiesTheYear_data() {
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("caret");
    QTest::newRow("caret at the end") << int(Qt::NoModifier) << 4;
    QTest::newRow("caret at the start") << int(Qt::NoModifier) << 0;
    QTest::newRow("shift") << int(Qt::ShiftModifier) << 4;
    QTest::newRow("ctrl") << int(Qt::ControlModifier) << 2;
    QTest::newRow("alt") << int(Qt::AltModifier) << 1;
}

void TestKeyboard::deleteEmptiesTheYear() {
    QFETCH(int, modifiers);
    QFETCH(int, caret);
    const QString before = outputsSnapshot();
    textNen->setCursorPosition(caret);
    QTest::keyClick(textNen, Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(textNen->text(), QString());
    QVERIFY(textNen->hasFocus());
    QCOMPARE(form->formState().seireki, 0);
    QCOMPARE(outputsSnapshot(), before);
}

void TestKeyboard::downEntersThisYearMode_data() {
    QTest::addColumn<int>("modifiers");
    QTest::newRow("down") << int(Qt::NoModifier);
    QTest::newRow("shift+down") << int(Qt::ShiftModifier);
    QTest::newRow("ctrl+down") << int(Qt::ControlModifier);
}

void TestKeyboard::downEntersThisYearMode() {
    QFETCH(int, modifiers);
    QTest::mouseClick(option2, Qt::LeftButton);
    QTest::keyClicks(textShitei, "2000");
    QTest::mouseClick(textNen, Qt::LeftButton);
    QTest::keyClick(textNen, Qt::Key_Down, Qt::KeyboardModifiers(modifiers));
    QVERIFY(option1->hasFocus());
    QVERIFY(option1->isChecked());
    QVERIFY(!textShitei->isEnabled());
    QCOMPARE(seenColour(textShitei, QPoint(6, 10)), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(age->text(), QString::number(thisYear() - 1990));
    QCOMPARE(textNen->text(), "1990");
}

void TestKeyboard::upLeavesTheDesignatedYear() {
    QTest::mouseClick(option2, Qt::LeftButton);
    QTest::keyClicks(textShitei, "1980");
    QCOMPARE(age->text(), "-10");
    QTest::keyClick(textShitei, Qt::Key_Up);
    QVERIFY(option1->hasFocus());
    QVERIFY(option1->isChecked());
    QVERIFY(!option2->isChecked());
    QVERIFY(!textShitei->isEnabled());
    QCOMPARE(textShitei->text(), "1980");
    QCOMPARE(age->text(), QString::number(thisYear() - 1990));
    // And the Tab stops removed at start stay removed after the option had the focus.
    QTest::keyClick(option1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), textNen);
    QVERIFY(!(option1->focusPolicy() & Qt::TabFocus));
}

void TestKeyboard::enterInTheList() {
    const QString before = outputsSnapshot();
    QTest::keyClick(textNen, Qt::Key_Left);
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Down); // another era, recomputing nothing
    QCOMPARE(list->currentIndex(), 1);
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(textNen->hasFocus());
    QCOMPARE(textNen->selectedText(), "1990");
    QCOMPARE(outputsSnapshot(), before);
    QCOMPARE(form->formState().seireki, 1990);
}

void TestKeyboard::enterInOption1() {
    QTest::keyClick(textNen, Qt::Key_Down);
    QTest::keyClick(option1, Qt::Key_Enter); // the keypad's Enter counts too
    QVERIFY(textNen->hasFocus());
    QCOMPARE(textNen->selectedText(), "1990");
    QVERIFY(option1->isChecked());
}

void TestKeyboard::enterSelectsWholeText_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("textNen") << "textNen";
    QTest::newRow("textShitei") << "textShitei";
}

void TestKeyboard::enterSelectsWholeText() {
    QFETCH(QString, box);
    QLineEdit *edit = box == "textNen" ? textNen : textShitei;
    if (edit == textShitei) {
        QTest::mouseClick(option2, Qt::LeftButton);
    }
    const QString before = outputsSnapshot();
    edit->setCursorPosition(2);
    QVERIFY(edit->selectedText().isEmpty());
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->selectedText(), edit->text());
    QVERIFY(edit->hasFocus());
    QCOMPARE(outputsSnapshot(), before);
}

// Keys with no action of the window's own get only the box's standard handling.
void TestKeyboard::keysWithoutActions_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("caretAfter");
    QTest::newRow("Right in textNen") << "textNen" << int(Qt::Key_Right) << 3;
    QTest::newRow("Up in textNen") << "textNen" << int(Qt::Key_Up) << 2;
    QTest::newRow("Down in textShitei") << "textShitei" << int(Qt::Key_Down) << 2;
    QTest::newRow("Left in textShitei") << "textShitei" << int(Qt::Key_Left) << 1;
    QTest::newRow("Right in textShitei") << "textShitei" << int(Qt::Key_Right) << 3;
}

void TestKeyboard::keysWithoutActions() {
    QFETCH(QString, box);
    QFETCH(int, key);
    QFETCH(int, caretAfter);
    QLineEdit *edit = box == "textNen" ? textNen : textShitei;
    if (edit == textShitei) {
        QTest::mouseClick(option2, Qt::LeftButton);
    }
    const QString before = outputsSnapshot();
    const bool designated = option2->isChecked();
    edit->setCursorPosition(2);
    QTest::keyClick(edit, Qt::Key(key));
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->cursorPosition(), caretAfter);
    QCOMPARE(option2->isChecked(), designated);
    QCOMPARE(outputsSnapshot(), before);
}

void TestKeyboard::leftMovesFocusNotCaret_data() {
    QTest::addColumn<int>("modifiers");
    QTest::newRow("left") << int(Qt::NoModifier);
    QTest::newRow("shift+left") << int(Qt::ShiftModifier);
    QTest::newRow("ctrl+left") << int(Qt::ControlModifier);
}

void TestKeyboard::leftMovesFocusNotCaret() {
    QFETCH(int, modifiers);
    textNen->setCursorPosition(2);
    QTest::keyClick(textNen, Qt::Key_Left, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(QApplication::focusWidget(), list);
    QCOMPARE(textNen->cursorPosition(), 2);
    QCOMPARE(list->currentIndex(), 0);
}

void TestKeyboard::clickSelectsTheYear() {
    // Clicks in the box, focused or not, at different places: always the whole year.
    for (const int x : {5, textNen->width() / 2, textNen->width() - 5}) {
        QTest::mouseClick(textNen, Qt::LeftButton, {}, QPoint(x, textNen->height() / 2));
        QCOMPARE(textNen->selectedText(), "1990");
        QTest::mouseClick(textNen, Qt::LeftButton, {}, QPoint(x, textNen->height() / 2));
        QCOMPARE(textNen->selectedText(), "1990");
        QTest::keyClick(textNen, Qt::Key_Left); // to the list, then back by a click
    }
    QTest::mouseClick(textNen, Qt::LeftButton);
    QTest::keyClick(textNen, '2');
    QCOMPARE(textNen->text(), "2");
    QCOMPARE(form->formState().seireki, 2);
}

void TestKeyboard::listKeepsItsArrowKeys() {
    const QString before = outputsSnapshot();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex(), 2);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->currentIndex(), 1);
    QCOMPARE(outputsSnapshot(), before);
    QCOMPARE(QApplication::focusWidget(), list);
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
