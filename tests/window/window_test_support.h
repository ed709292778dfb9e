#pragma once

// Shared by the window tests: an open window with its controls found by
// name, what a person sees, and input-method text.

#include "almanac_model.h"
#include "main_window.h"
#include "picture_box.h"
#include "picture_loader.h"
#include "window_frame.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QImageReader>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>

namespace testing {

template <typename T = QWidget> T *control(const QWidget &form, const char *name) {
    T *found = form.findChild<T *>(QLatin1String(name));
    return found ? found : (qFatal("no control %s", name), nullptr);
}

// The colour a person sees at `at` (logical pixels) in `widget`.
inline QColor seenColour(QWidget *widget, QPoint at) {
    const QImage image = widget->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(int(at.x() * ratio), int(at.y() * ratio));
}

// Text committed by a Japanese input method.
inline void commitText(QWidget *widget, const QString &text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(widget, &event);
}

inline int thisYear() {
    return QDate::currentDate().year();
}

// Mean difference per channel of two pictures, over a grid of points of the
// first; the second is scaled to its size.
inline double difference(const QImage &a, const QImage &b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32),
                 y = b.scaled(a.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    int points = 0;
    for (int i = 1; i < x.width() * x.height(); i += 7, ++points) {
        const QRgb p = x.pixel(i % x.width(), i / x.width()),
                   q = y.pixel(i % x.width(), i / x.width());
        sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
    }
    return sum / (3.0 * points);
}

// Qt's own reading of a picture file, with its EXIF orientation: what a
// person expects to see of it.
inline QImage qtReading(const QString &path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

// What the screen shows of `widget`: the window as last painted, once the
// paints already asked for are done (and nothing else). Whole only at a pixel
// ratio of 1: Qt 6.4's offscreen screen grabs a scaled window's top left.
inline QImage onScreen(QWidget *widget) {
    QCoreApplication::sendPostedEvents(widget->window(), QEvent::UpdateRequest);
    const QPoint at = widget->mapTo(widget->window(), QPoint());
    return widget->screen()
        ->grabWindow(widget->window()->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage();
}

// Whether the image box shows, on the screen, the whole picture of a file
// beside the program.
inline bool shows(PictureBox *box, const QString &name) {
    const QImage file = qtReading(QCoreApplication::applicationDirPath() + '/' + name);
    return !file.isNull() && difference(onScreen(box), file) < 6;
}

// Base of the tests that drive the window: open() shows a fresh one.
class WindowTest : public QObject {
public:
    // Before the application exists: run by hand, a test draws offscreen
    // like under CTest; the input-method and Wayland runs name their own.
    static void initMain() {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }

protected:
    void open() {
        form = std::make_unique<Form1>();
        frame = showAsWindow(*form);
        form->activateWindow(); // where no window manager does it
        // A headless Wayland compositor may have no seat, and so no focus to give.
        QVERIFY(QGuiApplication::platformName() == u"wayland"
                    ? QTest::qWaitForWindowExposed(form.get())
                    : QTest::qWaitForWindowActive(form.get()));
        textNen = control<QLineEdit>(*form, "textNen");
        textShitei = control<QLineEdit>(*form, "textShitei");
        list = control<QComboBox>(*form, "cboGengo");
        option1 = control<QRadioButton>(*form, "Option1");
        option2 = control<QRadioButton>(*form, "Option2");
        age = control<QLabel>(*form, "lblnenrei");
        image = control<PictureBox>(*form, "Image1");
    }
    bool ageIsRed() const { return age->palette().color(QPalette::WindowText) == QColor(Qt::red); }
    // Types a year, and waits for its picture where the reader is slower than
    // the window's wait (a sanitizer build): a local file's picture comes
    // with the keystroke's frame otherwise (tst_pictures checks that).
    void typeYear(int listIndex, const QString &year) {
        list->setCurrentIndex(listIndex);
        QTest::mouseClick(textNen, Qt::LeftButton); // selects the whole year
        QTest::keyClicks(textNen, year);
        awaitPicture();
    }
    void awaitPicture() const {
        const auto *loader = form->findChild<PictureLoader *>();
        QVERIFY(QTest::qWaitFor([loader] { return loader->idle(); }, 10000));
    }
    // The five era and sign outputs, joined.
    QString signs() const {
        QStringList texts;
        for (const char *name : {"lblGengo", "lblNen", "lbl9sei", "lblkana", "lbleto"}) {
            texts << control<QLabel>(*form, name)->text();
        }
        return texts.join('|');
    }

    std::unique_ptr<Form1> form;
    std::unique_ptr<WindowFrame> frame; // on Wayland
    QLineEdit *textNen = nullptr;
    QLineEdit *textShitei = nullptr;
    QComboBox *list = nullptr;
    QRadioButton *option1 = nullptr;
    QRadioButton *option2 = nullptr;
    QLabel *age = nullptr;
    PictureBox *image = nullptr;
};

} // namespace testing
