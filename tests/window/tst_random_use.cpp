// Random use: a seeded stream of keystrokes, clicks, pastes and input-method
// commits over every control, checking after each event that the window
// holds together. QUINDAL_RANDOM_EVENTS (3000) and QUINDAL_RANDOM_SEED (1).
#include "era_conversion.h"
#include "window_test_support.h"

#include <QClipboard>
#include <random>

using namespace testing;

class TestRandomUse : public WindowTest {
    Q_OBJECT
    enum Picture { Unchanged, Animal, Scene1, Scene2 };

    std::mt19937 random;
    template <typename T> const T &pick(const QList<T> &from) {
        return from[std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random)];
    }
    bool chance(int oneIn) { return std::uniform_int_distribution<int>(1, oneIn)(random) == 1; }

    // Sends one random event; says what it was, whether it was an unmodified
    // Tab, and which picture it asks for.
    QString randomEvent(bool &tab, Picture &picture) {
        QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QString what;
        if (!chance(2)) {
            const auto key = Qt::Key(pick<int>(
                {Qt::Key_0,     Qt::Key_1,      Qt::Key_5,         Qt::Key_9,       Qt::Key_9,
                 Qt::Key_A,     Qt::Key_E,      Qt::Key_Period,    Qt::Key_Minus,   Qt::Key_Return,
                 Qt::Key_Enter, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Left,    Qt::Key_Right,
                 Qt::Key_Up,    Qt::Key_Down,   Qt::Key_Tab,       Qt::Key_Backtab, Qt::Key_Home,
                 Qt::Key_Space, Qt::Key_Z}));
            Qt::KeyboardModifiers mods = pick<Qt::KeyboardModifiers>(
                {Qt::NoModifier, Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier,
                 Qt::ControlModifier, Qt::AltModifier});
            if (key == Qt::Key_Backtab) {
                mods = Qt::ShiftModifier;
            }
            tab = (key == Qt::Key_Tab && mods == Qt::NoModifier) || key == Qt::Key_Backtab;
            what =
                QString("key %1+%2 in %3").arg(key, 0, 16).arg(int(mods)).arg(focus->objectName());
            QTest::keyClick(focus, key, mods);
        } else if (!chance(3)) {
            QWidget *target = control(
                *form, pick<const char *>({"textNen", "textNen", "textShitei", "Option1", "Option2",
                                           "cboGengo", "Image1", "Image1", "Frame1", "lblnenrei"}));
            const QPoint at(std::uniform_int_distribution<int>(1, target->width() - 2)(random),
                            std::uniform_int_distribution<int>(1, target->height() - 2)(random));
            const bool twice = chance(6);
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
            if (twice) {
                QTest::mouseDClick(target, Qt::LeftButton, {}, at);
                QTest::mouseRelease(target, Qt::LeftButton, {}, at);
            }
            picture = target != image ? Unchanged : twice ? Scene2 : Scene1;
            what = QString(twice ? "double click on " : "click on ") + target->objectName();
        } else {
            const QString text =
                pick<QString>({"1990", "１９８９", "55", "a", "1e5", "9E99", "-5", "&HFF", "0",
                               "2.5", "", " 7", "３", "20000", "1E10"});
            what = "\"" + text + "\" into " + focus->objectName();
            if (chance(2)) {
                QApplication::clipboard()->setText(text);
                QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
            } else {
                commitText(focus, text);
            }
        }
        if (QWidget *popup = QApplication::activePopupWidget()) { // a list popup opened: close it
            QWidget *view = QApplication::focusWidget() ? QApplication::focusWidget() : popup;
            const bool choose = chance(2);
            if (choose) {
                QTest::keyClick(view, Qt::Key_Down);
            }
            QTest::keyClick(view, choose ? Qt::Key_Return : Qt::Key_Escape);
            if (QApplication::activePopupWidget()) {
                QApplication::activePopupWidget()->close();
            }
            what += choose ? ", an entry chosen in the popup" : ", popup closed";
        }
        return what;
    }

private slots:
    void randomUse() {
        const auto setting = [](const char *name, int unset) {
            return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : unset;
        };
        const int events = setting("QUINDAL_RANDOM_EVENTS", 3000),
                  seed = setting("QUINDAL_RANDOM_SEED", 1);
        random.seed(seed);
        open();
        bool changed = false;
        connect(textNen, &QLineEdit::textChanged, this, [&] { changed = true; });
        int acceptedList = -1, acceptedNen = 0, accepted = 0;
        Picture shown = Unchanged;
        for (int i = 1; i <= events; ++i) {
            changed = false;
            bool tab = false;
            Picture asked = Unchanged;
            const QString what = QString("after event %1, %2").arg(i).arg(randomEvent(tab, asked));
            const FormState &state = form->formState();
            // A change of the year text that leaves a year in the box is an accepted year.
            if (changed && state.seireki > 0) {
                acceptedList = list->currentIndex();
                acceptedNen = state.nen;
                shown = Animal;
                ++accepted;
            }
            // The age counts from the year shown, in one mode or the other;
            // before the first year there is none.
            const int yearShown = acceptedList < 0 ? 0 : westernYearOf(acceptedList, acceptedNen);
            const QString thisYearAge = QString::number(thisYear() - yearShown),
                          designatedAge = QString::number(state.shiteiNen - yearShown);
            QVERIFY2(acceptedList < 0 ? age->text().isEmpty()
                     : changed && state.seireki > 0
                         ? age->text() == (option2->isChecked() ? designatedAge : thisYearAge)
                         : age->text() == thisYearAge || age->text() == designatedAge,
                     qPrintable("age " + what));
            shown = asked != Unchanged ? asked : shown;
            // One mode: one option, the designated-year box on and white, or off and grey.
            const bool designated = option2->isChecked();
            QVERIFY2(option1->isChecked() != designated && textShitei->isEnabled() == designated &&
                         textShitei->palette().color(QPalette::Disabled, QPalette::Base) ==
                             (designated ? QColor(Qt::white) : QColor(0xC0, 0xC0, 0xC0)),
                     qPrintable("mode " + what));
            QVERIFY2(!tab || QApplication::focusWidget() == textNen ||
                         QApplication::focusWidget() == list,
                     qPrintable("Tab " + what));
            if (textNen->text().isEmpty()) {
                QVERIFY2(state.nen == 0 && state.seireki == 0, qPrintable("empty box " + what));
            } else {
                const auto read = almanac::readNumber(textNen->text().toStdU16String());
                QVERIFY2(read && *read == state.nen && state.nen > 0 &&
                             state.seireki == westernYearOf(acceptedList, state.nen),
                         qPrintable("the box holds no accepted year " + what));
            }
            if (acceptedList >= 0) {
                const Outputs o = expectedOutputs(acceptedList, acceptedNen);
                QVERIFY2(signs() == o.signs(), qPrintable("outputs " + what));
                const QString file = shown == Scene1   ? "scene1.jpg"
                                     : shown == Scene2 ? "scene2.jpg"
                                                       : o.picture;
                QVERIFY2(shows(image, file), qPrintable("picture " + what));
            }
            bool number = false;
            const int shownAge = age->text().toInt(&number);
            QVERIFY2(!number || ageIsRed() == (shownAge < 0), qPrintable("age colour " + what));
            if (!form->isActiveWindow()) {
                form->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(form.get()));
            }
        }
        qInfo("%d events, seed %d, %d years accepted", events, seed, accepted);
        QVERIFY(accepted > events / 50); // the stream really exercised the recalculation
    }
};

QTEST_MAIN(TestRandomUse)
#include "tst_random_use.moc"
