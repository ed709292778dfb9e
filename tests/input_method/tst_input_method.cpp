// Typing through a real Japanese input method: mozc under ibus, with the keys
// pressed on the X server (xdotool), as a person types them.
#include "window_test_support.h"

#include <QProcess>

using namespace testing;

class TestInputMethod : public WindowTest {
    Q_OBJECT

    // Keys pressed one after the other, as a person presses them.
    static void press(const QStringList &keys) {
        for (const QString &key : keys) {
            QCOMPARE(QProcess::execute("xdotool", {"key", key}), 0);
            QTest::qWait(150); // the input method answers each key over D-Bus
        }
    }
    QString shown(const char *name) const { return control<QLabel>(*form, name)->text(); }

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), "xcb"); }

    // A composition begun over the selected year: the box is emptied by it,
    // the results stay on the last year, and the composition goes on to its
    // commit, which is then the year (昭和59 is 1984).
    void composingOverTheSelectedYear() {
        open();
        list->setCurrentIndex(0);
        press({"Hiragana_Katakana"}); // mozc on, in hiragana
        press({"1", "9", "8", "4"});
        QCOMPARE(textNen->text(), QString()); // composed, not yet in the box
        press({"Return"});
        QTRY_COMPARE(textNen->text(), "１９８４");
        QTRY_COMPARE(form->formState().seireki, 1984);
        press({"Left", "Down", "Down", "Return"}); // 昭和, back in the box with the year selected
        QTRY_COMPARE(textNen->selectedText(), textNen->text());
        QCOMPARE(list->currentIndex(), 2);
        press({"5"});
        QTest::qWait(300);
        QCOMPARE(textNen->text(), QString()); // "5" is still being composed
        QCOMPARE(shown("lblNen"), "59");
        press({"9", "Return"});
        QTRY_COMPARE(form->formState().nen, 59);
        QCOMPARE(form->formState().seireki, 1984);
        QCOMPARE(shown("lblGengo") + shown("lblNen"), "西暦1984");
        QCOMPARE(shown("lbleto"), "甲子");
    }
};

QTEST_MAIN(TestInputMethod)
#include "tst_input_method.moc"
