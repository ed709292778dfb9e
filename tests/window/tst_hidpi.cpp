// At twice the pixel density: the same layout, and the picture decoded at
// the box's 320 device pixels rather than blown up.
#include "window_test_support.h"

using namespace testing;

class TestHiDpi : public WindowTest {
    Q_OBJECT
private slots:
    void sharpAtScaleTwo() {
        open();
        QCOMPARE(form->devicePixelRatio(), 2.0);
        QCOMPARE(form->size(), QSize(416, 292));
        QCOMPARE(form->grab().toImage().size(), QSize(832, 584));
        typeYear(0, "1990");
        // Drawn from the 320-pixel file the picture matches it; blown up from
        // 160 pixels it would not.
        const QImage seen = image->grab().toImage(),
                     source = qtReading(QCoreApplication::applicationDirPath() + "/uma.jpg");
        QCOMPARE(seen.size(), QSize(320, 320));
        const QImage blurred =
            source.scaled(160, 160, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .scaled(320, 320, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY2(difference(seen, source) < 1.5 &&
                     difference(blurred, source) > 2 * difference(seen, source),
                 qPrintable(QString::number(difference(seen, source))));
    }
};

static const bool scaled = qputenv("QT_SCALE_FACTOR", "2"); // before the application exists
QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
