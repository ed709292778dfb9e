// On a real Wayland compositor, with Qt drawing the title bar: a maximise
// request, as the title bar's button makes it, neither ends the program nor
// changes the window's size.
#include "window_test_support.h"

#include <QWindow>

using namespace testing;

class TestWayland : public WindowTest {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), "wayland"); }

    void maximiseRequest() {
        open(); // Wayland has no activation: Qt Test says so, and waits for the frame
        const QRect before = form->geometry();
        // What Qt's title bar does when its maximise button is clicked.
        form->windowHandle()->setWindowStates(Qt::WindowMaximized);
        QTest::qWait(300); // the compositor's answer
        // A frame painted after it: the compositor ends a client whose frame
        // does not match the state it has acknowledged. (Set, not typed: the
        // headless compositor has no seat to type on.)
        list->setCurrentIndex(0);
        textNen->setText("1990");
        QTRY_VERIFY(!form->isMaximized());
        QCOMPARE(form->formState().seireki, 1990);
        QTRY_COMPARE(form->size(), before.size());
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QCOMPARE(form->size(), QSize(416, 292));
    }
};

QTEST_MAIN(TestWayland)
#include "tst_wayland.moc"
