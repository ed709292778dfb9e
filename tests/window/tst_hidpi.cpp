// At the pixel density and font DPI the environment sets (QT_SCALE_FACTOR,
// QT_FONT_DPI): the same layout, every picture decoded at the box's size in
// device pixels rather than blown up, and the era list's entries whole.
#include "window_test_support.h"

#include <QStyleOptionComboBox>
#include <cmath>

using namespace testing;

class TestHiDpi : public WindowTest {
    Q_OBJECT
private slots:
    // Qt Test has the whole process assume 96 dpi; a user's program does not.
    void initTestCase() { QCoreApplication::setAttribute(Qt::AA_Use96Dpi, false); }
    void init() { open(); }

    void sameLayout() {
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        QCOMPARE(form->devicePixelRatio(), ratio);
        QCOMPARE(form->size(), QSize(416, 292));
        QCOMPARE(form->grab().toImage().size(), QSize(qRound(416 * ratio), qRound(292 * ratio)));
    }

    // Each picture as the file has it at the box's device size; blown up
    // from the box's logical size it would differ far more.
    void sharpPictures_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("file");
        QTest::newRow("start") << ""
                               << ":/quindal/start.jpg";
        QTest::newRow("animal") << "1990"
                                << "uma.jpg";
        QTest::newRow("scene") << "click"
                               << "scene1.jpg";
    }
    void sharpPictures() {
        QFETCH(QString, step);
        QFETCH(QString, file);
        if (step == "click") {
            QTest::mouseClick(image, Qt::LeftButton);
        } else if (!step.isEmpty()) {
            typeYear(0, step);
        }
        const QImage seen = image->grab().toImage(),
                     source = qtReading(file.startsWith(':')
                                            ? file
                                            : QCoreApplication::applicationDirPath() + '/' + file);
        const int side = qRound(160 * image->devicePixelRatioF());
        QCOMPARE(seen.size(), QSize(side, side));
        QVERIFY(source.width() >= side); // the file has every pixel the screen shows
        const QImage blurred =
            source.scaled(160, 160, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double sharp = difference(seen, source), blown = difference(blurred, source);
        QVERIFY2(sharp < 4 && (side < 200 || blown > 1.5 * sharp),
                 qPrintable(QString("%1 against %2 blown up").arg(sharp).arg(blown)));
    }

    // The list leaves room for its widest entry beside its arrow, whatever
    // the font DPI says.
    void eraListWhole() {
        QStyleOptionComboBox option;
        option.initFrom(list);
        const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, list);
        for (int i = 0; i < list->count(); ++i) {
            QVERIFY2(list->fontMetrics().horizontalAdvance(list->itemText(i)) <= field.width(),
                     qPrintable(list->itemText(i)));
        }
    }
};

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
