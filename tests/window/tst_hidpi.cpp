// At twice the pixel density: the same layout, text drawn at device
// resolution, and pictures drawn from their full 320 pixels.
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
        // Text at device resolution has detail inside 2 x 2 blocks that a 1x
        // rendering blown up by two cannot have.
        const QImage text =
            control(*form, "lbl9sei")->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int detail = 0;
        for (int y = 0; y + 1 < text.height(); y += 2) {
            for (int x = 0; x + 1 < text.width(); x += 2) {
                detail += text.pixel(x, y) != text.pixel(x + 1, y) ||
                          text.pixel(x, y) != text.pixel(x, y + 1);
            }
        }
        QVERIFY2(detail > 100, qPrintable(QString::number(detail)));
    }
};

int main(int argc, char *argv[]) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
