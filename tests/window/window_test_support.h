#pragma once

// Shared by the window tests: opening the window, finding controls by name,
// reading what a person sees, and an independent model of the outputs.

#include "main_window.h"
#include "model/almanac_model.h"
#include "picture_box.h"

#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>

namespace testing {

inline std::unique_ptr<Form1> openForm() {
    auto form = std::make_unique<Form1>();
    form->show();
    if (!QTest::qWaitForWindowActive(form.get())) {
        qWarning("the window did not become active");
    }
    return form;
}

template <typename T = QWidget> T *control(const QWidget &form, const char *name) {
    T *found = form.findChild<T *>(QLatin1String(name));
    if (!found) {
        qFatal("no control %s", name);
    }
    return found;
}

// Base of the tests that drive an open window: open() shows a fresh one and
// finds the controls the tests use most.
class WindowTest : public QObject {
protected:
    void open() {
        form = openForm();
        textNen = control<QLineEdit>(*form, "textNen");
        textShitei = control<QLineEdit>(*form, "textShitei");
        list = control<QComboBox>(*form, "cboGengo");
        option1 = control<QRadioButton>(*form, "Option1");
        option2 = control<QRadioButton>(*form, "Option2");
        age = control<QLabel>(*form, "lblnenrei");
        image = control<PictureBox>(*form, "Image1");
    }

    std::unique_ptr<Form1> form;
    QLineEdit *textNen = nullptr;
    QLineEdit *textShitei = nullptr;
    QComboBox *list = nullptr;
    QRadioButton *option1 = nullptr;
    QRadioButton *option2 = nullptr;
    QLabel *age = nullptr;
    PictureBox *image = nullptr;
};

// The colour a person sees at `at` (widget coordinates, logical pixels).
inline QColor seenColour(QWidget *widget, QPoint at) {
    const QImage image = widget->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(int(at.x() * ratio), int(at.y() * ratio));
}

// Text committed by an input method, as a Japanese IME delivers it.
inline void commitText(QWidget *widget, const QString &text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(widget, &event);
}

inline int thisYear() {
    return QDate::currentDate().year();
}

// Resident memory of this process, in bytes (Linux).
inline qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

inline QImage pictureFile(const QString &name) {
    return QImage(QCoreApplication::applicationDirPath() + '/' + name);
}

} // namespace testing
