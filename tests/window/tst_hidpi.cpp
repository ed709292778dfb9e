// At twice the pixel density: the same layout, text drawn at device
// resolution, and pictures drawn from their full 320 pixels.
#include "picture_box.h"
#include "window_test_support.h"

#include <QApplication>

using namespace testing;

namespace {

// Mean difference per channel between two images of the same size.
double meanDifference(const QImage &a, const QImage &b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

} // namespace

class TestHiDpi : public QObject {
    Q_OBJECT
private slots:
    void layoutKeepsItsLogicalSize();
    void picturesAreSharp();
    void textIsDrawnAtDeviceResolution();
};

void TestHiDpi::layoutKeepsItsLogicalSize() {
    auto form = openForm();
    QCOMPARE(form->devicePixelRatio(), 2.0);
    QCOMPARE(form->size(), QSize(416, 292));
    QCOMPARE(control(*form, "Image1")->geometry(), QRect(232, 112, 160, 160));
    const QImage grabbed = form->grab().toImage();
    QCOMPARE(grabbed.size(), QSize(832, 584));
}

void TestHiDpi::picturesAreSharp() {
    auto form = openForm();
    control<QComboBox>(*form, "cboGengo")->setCurrentIndex(0);
    QTest::keyClicks(control(*form, "textNen"), "1990");
    auto *image = control<PictureBox>(*form, "Image1");
    const QImage seen = image->grab().toImage();
    QCOMPARE(seen.size(), QSize(320, 320));
    const QImage source = pictureFile("uma.jpg");
    // Drawn from the 320-pixel file it matches it; drawn from 160 pixels and
    // blown up again, it would not.
    const QImage blurred = source.scaled(160, 160, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .scaled(320, 320, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double sharp = meanDifference(seen, source);
    QVERIFY2(sharp < 1.5, qPrintable(QString::number(sharp)));
    QVERIFY(meanDifference(blurred, source) > 2 * sharp);
}

void TestHiDpi::textIsDrawnAtDeviceResolution() {
    auto form = openForm();
    control<QComboBox>(*form, "cboGengo")->setCurrentIndex(0);
    QTest::keyClicks(control(*form, "textNen"), "1990");
    auto *label = control<QLabel>(*form, "lbl9sei");
    const QImage seen = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(seen.size(), label->size() * 2);
    // Text drawn at device resolution has detail that a 1x rendering blown
    // up by two cannot have: somewhere two neighbouring device pixels within
    // one 2 x 2 block differ.
    int detail = 0;
    for (int y = 0; y + 1 < seen.height(); y += 2) {
        for (int x = 0; x + 1 < seen.width(); x += 2) {
            detail += seen.pixel(x, y) != seen.pixel(x + 1, y) ||
                      seen.pixel(x, y) != seen.pixel(x, y + 1);
        }
    }
    QVERIFY2(detail > 100, qPrintable(QString::number(detail)));
}

int main(int argc, char *argv[]) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
