// Random use: a seeded stream of keystrokes, clicks, pastes and input-method
// commits over every control, checking after each event that the window
// holds together.
//
//   QUINDAL_RANDOM_EVENTS (default 3000) and QUINDAL_RANDOM_SEED (default 1)
#include "almanac/era_conversion.h"
#include "picture_box.h"
#include "window_test_support.h"

#include <QApplication>
#include <QClipboard>
#include <random>

using namespace testing;

class TestRandomUse : public WindowTest {
    Q_OBJECT
private slots:
    void randomUse();

private:
    enum class Picture { Start, Animal, Scene1, Scene2 };
    struct Step {
        QString description;
        bool tab = false;
        Picture picture = Picture::Start;
    };

    Step randomStep();
    void checkInvariants(const Step &step, int number);

    std::mt19937 random;

    // The model: the last year the window accepted, and what the picture box
    // should show.
    int acceptedList = -1;
    int acceptedNen = 0;
    Picture picture = Picture::Start;
};

namespace {
template <typename T> const T &pick(std::mt19937 &random, const QList<T> &from) {
    return from[std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random)];
}
} // namespace

TestRandomUse::Step TestRandomUse::randomStep() {
    Step step;
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
    const int kind = std::uniform_int_distribution<int>(0, 99)(random);
    if (kind < 55) { // a key into whatever has the focus
        static const QList<int> keys{
            Qt::Key_0,       Qt::Key_1,      Qt::Key_2,     Qt::Key_5,      Qt::Key_8,
            Qt::Key_9,       Qt::Key_9,      Qt::Key_A,     Qt::Key_E,      Qt::Key_Period,
            Qt::Key_Minus,   Qt::Key_Return, Qt::Key_Enter, Qt::Key_Delete, Qt::Key_Backspace,
            Qt::Key_Left,    Qt::Key_Right,  Qt::Key_Up,    Qt::Key_Down,   Qt::Key_Tab,
            Qt::Key_Backtab, Qt::Key_Home,   Qt::Key_End,   Qt::Key_Space,  Qt::Key_Z};
        static const QList<Qt::KeyboardModifiers> modifiers{
            Qt::NoModifier,    Qt::NoModifier,      Qt::NoModifier, Qt::NoModifier,
            Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier};
        const auto key = Qt::Key(pick(random, keys));
        Qt::KeyboardModifiers mods =
            key == Qt::Key_Backtab ? Qt::ShiftModifier : pick(random, modifiers);
        if (key == Qt::Key_Tab && mods == Qt::ShiftModifier) {
            mods = Qt::NoModifier;
        }
        step.tab = (key == Qt::Key_Tab || key == Qt::Key_Backtab) &&
                   !(mods & (Qt::ControlModifier | Qt::AltModifier));
        step.description = QString("key %1 mods %2 into %3")
                               .arg(key, 0, 16)
                               .arg(int(mods))
                               .arg(focus->objectName() + "/" + focus->metaObject()->className() +
                                    (QApplication::activePopupWidget() ? " popup" : ""));
        QTest::keyClick(focus, key, mods);
    } else if (kind < 80) { // a click somewhere
        static const QList<const char *> targets{"textNen", "textNen",   "textShitei", "Option1",
                                                 "Option2", "cboGengo",  "Image1",     "Image1",
                                                 "Frame1",  "lblnenrei", "Label8",     "lbl9sei"};
        QWidget *target = control(*form, pick(random, targets));
        const QPoint at(std::uniform_int_distribution<int>(1, target->width() - 2)(random),
                        std::uniform_int_distribution<int>(1, target->height() - 2)(random));
        const bool doubleClick = std::uniform_int_distribution<int>(0, 5)(random) == 0;
        step.description =
            QString("%1 on %2").arg(doubleClick ? "double click" : "click", target->objectName());
        if (doubleClick) {
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
            QTest::mouseDClick(target, Qt::LeftButton, {}, at);
            QTest::mouseRelease(target, Qt::LeftButton, {}, at);
        } else {
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
        }
        if (target == image && target->isEnabled()) {
            step.picture = doubleClick ? Picture::Scene2 : Picture::Scene1;
        }
    } else { // text arriving whole: pasted or committed by an input method
        static const QList<QString> texts{"1990", "１９８９", "55",   "a",     "1e5",
                                          "9E99", "-5",       "&HFF", "0",     "2.5",
                                          "",     " 7",       "３",   "20000", "1E10"};
        const QString text = pick(random, texts);
        if (std::uniform_int_distribution<int>(0, 1)(random)) {
            QApplication::clipboard()->setText(text);
            step.description = "paste " + text + " into " + focus->objectName();
            QTest::keyClick(focus, Qt::Key_V, Qt::ControlModifier);
        } else {
            step.description = "commit " + text + " into " + focus->objectName();
            commitText(focus, text);
        }
    }
    // A list popup opened by the step is closed again, half the time by
    // choosing an entry.
    if (QWidget *popup = QApplication::activePopupWidget()) {
        QWidget *view = QApplication::focusWidget() ? QApplication::focusWidget() : popup;
        const bool choose = std::uniform_int_distribution<int>(0, 1)(random);
        if (choose) {
            QTest::keyClick(view, Qt::Key_Down);
            QTest::keyClick(view, Qt::Key_Return);
        } else {
            QTest::keyClick(view, Qt::Key_Escape);
        }
        step.description += choose ? ", then an entry of the popup" : ", popup closed";
        if (QApplication::activePopupWidget()) {
            QApplication::activePopupWidget()->close();
            step.description += " (by hand)";
        }
    }
    return step;
}

void TestRandomUse::checkInvariants(const Step &step, int number) {
    const QString where = QString("after event %1 (%2)").arg(number).arg(step.description);
    const auto fail = [&](const char *what) { QFAIL(qPrintable(QString(what) + " " + where)); };

    if (option1->isChecked() == option2->isChecked()) {
        fail("not exactly one option selected");
    }
    if (textShitei->isEnabled() != option2->isChecked()) {
        fail("textShitei enabled out of step with the mode");
    }
    const QColor base = textShitei->palette().color(QPalette::Disabled, QPalette::Base);
    if (base != (option2->isChecked() ? QColor(Qt::white) : QColor(0xC0, 0xC0, 0xC0))) {
        fail("textShitei has the wrong colour for the mode");
    }
    if (step.tab && QApplication::focusWidget() != textNen && QApplication::focusWidget() != list) {
        fail("Tab landed outside textNen and cboGengo");
    }

    // The year box is empty or holds an accepted year.
    const FormState &state = form->formState();
    const QString text = textNen->text();
    if (text.isEmpty()) {
        if (state.nen != 0 || state.seireki != 0) {
            fail("empty box with a year in the form state");
        }
    } else {
        const auto read = almanac::readNumber(text.toStdU16String());
        if (!read || *read <= 0 || state.nen != *read || state.seireki <= 0) {
            fail("the year box holds something that is not an accepted year");
        }
        if (state.seireki != westernYearOf(acceptedList, state.nen)) {
            fail("seireki does not follow the last accepted entry");
        }
    }

    // The outputs show the last accepted year, whole.
    if (acceptedList >= 0) {
        const Outputs o = expectedOutputs(acceptedList, acceptedNen);
        if (control<QLabel>(*form, "lblGengo")->text() != o.gengo ||
            control<QLabel>(*form, "lblNen")->text() != o.nen ||
            control<QLabel>(*form, "lbl9sei")->text() != o.star ||
            control<QLabel>(*form, "lblkana")->text() != o.kana ||
            control<QLabel>(*form, "lbleto")->text() != o.eto) {
            fail("an output does not show the last accepted year");
        }
        const QImage expected = picture == Picture::Animal   ? pictureFile(o.picture)
                                : picture == Picture::Scene1 ? pictureFile("scene1.jpg")
                                : picture == Picture::Scene2 ? pictureFile("scene2.jpg")
                                                             : image->picture();
        if (image->picture() != expected) {
            fail("the picture is not the one last asked for");
        }
    }
    bool isNumber = false;
    const int shownAge = age->text().toInt(&isNumber);
    const bool red = age->palette().color(QPalette::WindowText) == QColor(Qt::red);
    if (isNumber && red != (shownAge < 0)) {
        fail("the age colour does not follow its sign");
    }
}

void TestRandomUse::randomUse() {
    const int events = qEnvironmentVariableIntValue("QUINDAL_RANDOM_EVENTS") > 0
                           ? qEnvironmentVariableIntValue("QUINDAL_RANDOM_EVENTS")
                           : 3000;
    const auto seed = qEnvironmentVariableIsSet("QUINDAL_RANDOM_SEED")
                          ? qEnvironmentVariableIntValue("QUINDAL_RANDOM_SEED")
                          : 1;
    random.seed(seed);
    open();

    // Every change of the year text that leaves a year in the box is an
    // accepted year (the window empties the box of anything else).
    bool changed = false;
    connect(textNen, &QLineEdit::textChanged, this, [&] { changed = true; });

    int accepted = 0;
    for (int i = 1; i <= events; ++i) {
        changed = false;
        const Step step = randomStep();
        if (changed && form->formState().seireki > 0) {
            acceptedList = list->currentIndex();
            acceptedNen = form->formState().nen;
            picture = Picture::Animal;
            ++accepted;
            const int expectedAge = option2->isChecked()
                                        ? form->formState().shiteiNen - form->formState().seireki
                                        : thisYear() - form->formState().seireki;
            QCOMPARE(age->text(), QString::number(expectedAge));
        }
        if (step.picture != Picture::Start) {
            picture = step.picture;
        }
        checkInvariants(step, i);
        if (QTest::currentTestFailed()) {
            return;
        }
        if (!form->isActiveWindow()) {
            form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
        }
    }
    qInfo("%d events, seed %d, %d years accepted", events, seed, accepted);
    QVERIFY(accepted > events / 50); // the stream really exercised the recalculation
}

QTEST_MAIN(TestRandomUse)
#include "tst_random_use.moc"
