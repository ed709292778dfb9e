// The window at work: the recalculation, the age modes and the keyboard.
#include "window_test_support.h"

#include <QClipboard>

using namespace testing;

class TestBehaviour : public WindowTest {
    Q_OBJECT
    void verifyShows(int listIndex, int nen) {
        const Outputs o = expectedOutputs(listIndex, nen);
        QCOMPARE(signs(), signs(o));
        QVERIFY2(shows(image, o.picture), qPrintable(o.picture));
        const int years = thisYear() - westernYearOf(listIndex, nen);
        QCOMPARE(age->text(), QString::number(years));
        QCOMPARE(ageIsRed(), years < 0);
    }
    void verifyAge(const QString &text, bool red) {
        QCOMPARE(age->text(), text);
        QCOMPARE(ageIsRed(), red);
    }
    // The mode is the selected option, the enabled state and the colour painted.
    void verifyDesignatedMode(bool on) {
        QCOMPARE(option2->isChecked(), on);
        QCOMPARE(option1->isChecked(), !on);
        QCOMPARE(textShitei->isEnabled(), on);
        QCOMPARE(seenColour(textShitei, {6, 10}),
                 on ? QColor(Qt::white) : QColor(0xC0, 0xC0, 0xC0));
    }

private slots:
    void init() { open(); }

    // Each keystroke recomputes everything for the text so far.
    void typing_data() {
        QTest::addColumn<int>("listIndex");
        QTest::addColumn<QString>("keys");
        QTest::newRow("昭和 5, 55") << 2 << "55";
        QTest::newRow("西暦 1, 19, 198, 1989") << 0 << "1989";
        QTest::newRow("平成 100") << 1 << "100";
        QTest::newRow("明治 46") << 4 << "46";
        QTest::newRow("square 昭和 65") << 5 << "65";
    }
    void typing() {
        QFETCH(int, listIndex);
        QFETCH(QString, keys);
        list->setCurrentIndex(listIndex);
        for (const QChar key : keys) {
            QTest::keyClick(textNen, key.toLatin1());
            verifyShows(listIndex, textNen->text().toInt());
        }
    }

    // Arriving whole (pasted), a text that is no year, or one that cannot be
    // represented, empties the box; every output keeps the last year.
    void refusals_data() {
        QTest::addColumn<int>("listIndex");
        QTest::addColumn<QString>("text");
        const QList<QPair<int, QString>> rows{{2, "a"},   {2, "0"},   {0, "-5"},  {0, "0.5"},
                                              {0, "."},   {0, "1e5"}, {0, "4E4"}, {0, "9E99"},
                                              {1, "9E9"}, {3, "-0"}};
        for (const auto &[listIndex, text] : rows) {
            QTest::newRow(qPrintable(text)) << listIndex << text;
        }
    }
    void refusals() {
        QFETCH(int, listIndex);
        QFETCH(QString, text);
        typeYear(0, "1990");
        list->setCurrentIndex(listIndex);
        textNen->selectAll();
        QApplication::clipboard()->setText(text);
        QTest::keyClick(textNen, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(textNen->text(), "");
        QCOMPARE(form->formState().nen + form->formState().seireki, 0);
        verifyShows(0, 1990);
        typeYear(0, "2000"); // and the box still works
        verifyShows(0, 2000);
    }

    void inputMethodDigits() {
        list->setCurrentIndex(0);
        commitText(textNen, "１９９０１");
        QCOMPARE(textNen->text(), "１９９０");
        verifyShows(0, 1990);
        QTest::mouseClick(option2, Qt::LeftButton);
        commitText(textShitei, "２０００");
        verifyAge("10", false);
    }

    // The age counts from the year the outputs show, whatever has been
    // refused since; before the first year there is none. Steps are keys
    // (Delete, Down, Up), "paste:" text into the year box, or text typed
    // where the focus is. Every age is drawn whole, however long.
    void ageFromYearShown_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("age"); // "this-year:Y" for this year minus Y
        QTest::newRow("Delete, Down") << "1986 Delete Down"
                                      << "this-year:1986";
        QTest::newRow("Delete, designated") << "1986 Delete Down Down"
                                            << "4";
        QTest::newRow("refused 0, Down") << "1986 paste:0 Down"
                                         << "this-year:1986";
        QTest::newRow("refused 1e9, designated") << "1986 paste:1e9 Down Down"
                                                 << "4";
        QTest::newRow("refused a, designated, back") << "1986 paste:a Down Down Up"
                                                     << "this-year:1986";
        QTest::newRow("no year yet") << "Down"
                                     << "";
        QTest::newRow("no year yet, designated") << "Down Down"
                                                 << "";
        QTest::newRow("designated -2E9") << "1990 Down Down -2E9"
                                         << "-2000001990";
        QTest::newRow("designated emptied") << "1990 Down Down Delete"
                                            << "-1990";
    }
    void ageFromYearShown() {
        QFETCH(QString, steps);
        QFETCH(QString, age);
        list->setCurrentIndex(0);
        for (const QString &step : steps.split(' ')) {
            QWidget *focus = QApplication::focusWidget();
            if (step == "Delete" || step == "Down" || step == "Up") {
                QTest::keyClick(focus, step == "Delete" ? Qt::Key_Delete
                                       : step == "Down" ? Qt::Key_Down
                                                        : Qt::Key_Up);
            } else if (step.startsWith("paste:")) {
                textNen->selectAll();
                QApplication::clipboard()->setText(step.mid(6));
                QTest::keyClick(textNen, Qt::Key_V, Qt::ControlModifier);
            } else {
                QTest::keyClicks(focus, step);
            }
        }
        if (age.startsWith("this-year:")) {
            age = QString::number(thisYear() - age.mid(10).toInt());
        }
        verifyAge(age, age.startsWith('-'));
        QVERIFY(QFontMetrics(this->age->font()).horizontalAdvance(age) <=
                this->age->contentsRect().width());
    }

    void designatedMode() {
        QTest::mouseClick(option2, Qt::LeftButton); // at start: no year yet, no age
        verifyDesignatedMode(true);
        QVERIFY(textShitei->hasFocus());
        QCOMPARE(textShitei->selectedText(), "1990");
        verifyAge("", false);
        typeYear(0, "1990");
        verifyAge("0", false);
        QTest::mouseClick(option2, Qt::LeftButton);
        const QStringList ages{"-1988", "-1970", "-1790", "10"};
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(textShitei, "2000"[i]);
            verifyAge(ages[i], i < 3);
        }
        typeYear(0, "2010"); // the recalculation counts from the stored designated year
        verifyAge("-10", true);
        QTest::mouseClick(option2, Qt::LeftButton);
        textShitei->clear();
        QCOMPARE(form->formState().shiteiNen, 0);
        verifyAge("-2010", true);
        QTest::keyClicks(textShitei, "1E1"); // 10; then "1E10" cannot be read: nothing changes
        QTest::keyClick(textShitei, '0');
        QCOMPARE(form->formState().shiteiNen, 10);
        verifyAge("-2000", true);
    }

    // A designated year of 1 or less, on entering the mode again, leaves the
    // this-year age standing (recoloured).
    void lowDesignatedYear_data() {
        QTest::addColumn<QString>("designated");
        QTest::newRow("one") << "1";
        QTest::newRow("empty") << "";
    }
    void lowDesignatedYear() {
        QFETCH(QString, designated);
        typeYear(0, "2100");
        QTest::mouseClick(option2, Qt::LeftButton);
        textShitei->setText(designated);
        QTest::mouseClick(option1, Qt::LeftButton);
        verifyDesignatedMode(false);
        const QString thisYearAge = QString::number(thisYear() - 2100);
        verifyAge(thisYearAge, true);
        QCOMPARE(textShitei->text(), designated);
        QTest::mouseClick(option2, Qt::LeftButton);
        verifyDesignatedMode(true);
        QCOMPARE(form->formState().shiteiNen, designated.toInt());
        verifyAge(thisYearAge, true);
    }

    // Every way into each mode: keys, clicks, selection without the focus.
    void modeChanges() {
        typeYear(0, "1980");
        QTest::keyClick(textNen, Qt::Key_Down, Qt::ShiftModifier);
        QVERIFY(option1->hasFocus());
        QTest::keyClick(option1, Qt::Key_Up); // nothing above Option1
        verifyDesignatedMode(false);
        QTest::keyClick(option1, Qt::Key_Down);
        verifyDesignatedMode(true);
        QVERIFY(textShitei->hasFocus());
        verifyAge("10", false);
        QTest::keyClick(textShitei, Qt::Key_Up);
        verifyDesignatedMode(false);
        QVERIFY(option1->hasFocus());
        verifyAge(QString::number(thisYear() - 1980), false);
        QTest::keyClick(option1, Qt::Key_Enter);
        QVERIFY(textNen->hasFocus());
        QCOMPARE(textNen->selectedText(), "1980");
        QTest::mouseClick(option2, Qt::LeftButton);
        QTest::mouseClick(textNen, Qt::LeftButton);
        QTest::keyClick(textNen, Qt::Key_Down);
        verifyDesignatedMode(false);
        QTest::mouseClick(option2, Qt::LeftButton);
        option1->click(); // as an accessibility action would
        verifyDesignatedMode(false);
        QTest::mouseClick(option2, Qt::LeftButton);
        QTest::mousePress(option1, Qt::LeftButton); // pressed, released elsewhere
        QTest::mouseRelease(option1, Qt::LeftButton, {}, QPoint(-50, -50));
        verifyDesignatedMode(false);
    }

    // Once the year box has had the focus, Tab and Shift+Tab only alternate
    // between it and the list, from wherever they are pressed.
    void tabAlternates_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("back");
        for (const char *start : {"textNen", "Option1", "textShitei"}) {
            QTest::addRow("%s Tab", start) << start << false;
            QTest::addRow("%s Shift+Tab", start) << start << true;
        }
    }
    void tabAlternates() {
        QFETCH(QString, start);
        QFETCH(bool, back);
        if (start == "Option1") {
            QTest::keyClick(textNen, Qt::Key_Down);
        } else if (start == "textShitei") {
            QTest::mouseClick(option2, Qt::LeftButton);
        }
        QWidget *previous = QApplication::focusWidget();
        QCOMPARE(previous->objectName(), start);
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(previous, back ? Qt::Key_Backtab : Qt::Key_Tab,
                            back ? Qt::ShiftModifier : Qt::NoModifier);
            QWidget *now = QApplication::focusWidget();
            QVERIFY2(now == textNen || now == list, qPrintable(now->objectName()));
            QVERIFY(now != previous);
            previous = now;
        }
    }

    void deleteEmptiesTheYear_data() {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("caret");
        QTest::newRow("caret at the end") << int(Qt::NoModifier) << 4;
        QTest::newRow("caret at the start") << int(Qt::NoModifier) << 0;
        QTest::newRow("shift") << int(Qt::ShiftModifier) << 4;
        QTest::newRow("ctrl") << int(Qt::ControlModifier) << 2;
    }
    void deleteEmptiesTheYear() {
        QFETCH(int, modifiers);
        QFETCH(int, caret);
        typeYear(0, "1990");
        textNen->setCursorPosition(caret);
        QTest::keyClick(textNen, Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(textNen->text(), "");
        QCOMPARE(form->formState().seireki, 0);
        verifyShows(0, 1990);
    }

    // Keys with an action, and keys that get only the standard handling.
    void keys_data() {
        QTest::addColumn<bool>("inShitei");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("focusAfter");
        QTest::addColumn<int>("caretAfter"); // -1: the whole text selected
        QTest::newRow("Left in textNen") << false << int(Qt::Key_Left) << 0 << "cboGengo" << 2;
        QTest::newRow("Ctrl+Left in textNen")
            << false << int(Qt::Key_Left) << int(Qt::ControlModifier) << "cboGengo" << 2;
        QTest::newRow("Enter in textNen") << false << int(Qt::Key_Return) << 0 << "textNen" << -1;
        QTest::newRow("Right in textNen") << false << int(Qt::Key_Right) << 0 << "textNen" << 3;
        QTest::newRow("Up in textNen") << false << int(Qt::Key_Up) << 0 << "textNen" << 2;
        QTest::newRow("Enter in textShitei")
            << true << int(Qt::Key_Enter) << 0 << "textShitei" << -1;
        QTest::newRow("Down in textShitei") << true << int(Qt::Key_Down) << 0 << "textShitei" << 2;
        QTest::newRow("Left in textShitei") << true << int(Qt::Key_Left) << 0 << "textShitei" << 1;
    }
    void keys() {
        QFETCH(bool, inShitei);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, focusAfter);
        QFETCH(int, caretAfter);
        typeYear(0, "1990");
        QLineEdit *box = inShitei ? textShitei : textNen;
        if (inShitei) {
            QTest::mouseClick(option2, Qt::LeftButton);
        }
        const QString before = signs() + age->text();
        box->setCursorPosition(2);
        QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(QApplication::focusWidget()->objectName(), focusAfter);
        QCOMPARE(caretAfter < 0 ? box->selectedText() : QString::number(box->cursorPosition()),
                 caretAfter < 0 ? box->text() : QString::number(caretAfter));
        QCOMPARE(signs() + age->text(), before);
        QCOMPARE(option2->isChecked(), inShitei);
    }

    // Choosing another era recomputes nothing until the year text changes.
    void listKeysAndEnter() {
        typeYear(2, "55");
        QTest::keyClick(textNen, Qt::Key_Left);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->currentIndex(), 1);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(textNen->hasFocus());
        QCOMPARE(textNen->selectedText(), "55");
        verifyShows(2, 55);
        QTest::keyClick(textNen, Qt::Key_End);
        QTest::keyClick(textNen, Qt::Key_Backspace);
        QTest::keyClick(textNen, '5');
        verifyShows(1, 55); // 2043, shown as 西暦 2043
    }

    // Coming back to the window is not entering the year box: the caret stays.
    void returningToTheWindowKeepsTheCaret() {
        typeYear(0, "1990");
        textNen->setCursorPosition(2);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QVERIFY(textNen->hasFocus());
        QCOMPARE(textNen->selectedText(), "");
        QCOMPARE(textNen->cursorPosition(), 2);
    }

    void clickSelectsTheYear() {
        QTest::mouseClick(option2, Qt::LeftButton);
        QTest::keyClicks(textShitei, "2000");
        typeYear(0, "1990");
        QTest::mouseClick(textShitei, Qt::LeftButton, {},
                          QPoint(10, 10)); // entering it selects all
        QCOMPARE(textShitei->selectedText(), "2000");
        QTest::mouseClick(textShitei, Qt::LeftButton, {}, QPoint(10, 10)); // once inside, a caret
        QCOMPARE(textShitei->selectedText(), "");
        for (const int x : {5, textNen->width() / 2, textNen->width() - 5}) {
            QTest::mouseClick(textNen, Qt::LeftButton, {}, QPoint(x, 10));
            QCOMPARE(textNen->selectedText(), "1990");
        }
        QTest::keyClick(textNen, '2');
        QCOMPARE(form->formState().seireki, 2);
    }
};

QTEST_MAIN(TestBehaviour)
#include "tst_behaviour.moc"
