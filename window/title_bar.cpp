#include "title_bar.h"

#include "look.h"
#include "wayland_desktop.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {

enum class Glyph { Minimise, Close };

// The bar's ink: the desktop's text colour while the window is active, its
// greyed one while it is not.
QColor ink(const QWidget *part) {
    return part->palette().color(part->window()->isActiveWindow() ? QPalette::Active
                                                                  : QPalette::Disabled,
                                 QPalette::WindowText);
}

// A title bar button: its glyph in the bar's ink, on a faint ground while the
// pointer is over it or it is held down. It acts on the release over it.
class TitleButton : public QAbstractButton {
public:
    TitleButton(Glyph glyph, const QString &name, QWidget *bar)
        : QAbstractButton(bar), glyph(glyph) {
        setAccessibleName(name);
        setToolTip(name);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        if (isDown() || underMouse()) {
            painter.fillRect(rect(),
                             palette().color(isDown() ? QPalette::Mid : QPalette::Midlight));
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(ink(this), 1.5));
        const QRectF mark = QRectF(rect()).adjusted(9.5, 9.5, -9.5, -9.5);
        if (glyph == Glyph::Close) {
            painter.drawLine(mark.topLeft(), mark.bottomRight());
            painter.drawLine(mark.bottomLeft(), mark.topRight());
        } else {
            painter.drawLine(mark.bottomLeft(), mark.bottomRight());
        }
    }

private:
    Glyph glyph;
};

} // namespace

TitleBar::TitleBar(QWidget *window)
    : QWidget(window), minimise(new TitleButton(Glyph::Minimise, QStringLiteral("最小化"), this)),
      close(new TitleButton(Glyph::Close, QStringLiteral("閉じる"), this)) {
    setGeometry(0, 0, window->width(), height);
    setPalette(everyRoleSet(QApplication::palette())); // the desktop's, not the window's design
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    close->setGeometry(width() - height, 0, height, height);
    minimise->setGeometry(close->geometry().translated(-height, 0));
    connect(close, &QAbstractButton::clicked, window, &QWidget::close);
    connect(minimise, &QAbstractButton::clicked, window, &QWidget::showMinimized);
}

void TitleBar::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, height - 1, width(), height - 1);
    window()->windowIcon().paint(&painter, QRect(6, (height - iconSize) / 2, iconSize, iconSize));
    painter.setPen(ink(this));
    painter.drawText(rect().adjusted(height, 0, -2 * height, 0), Qt::AlignCenter,
                     window()->windowTitle());
}

// A press on the bar itself (the buttons take their own) hands the move to
// the compositor, and a right click asks it for its menu.
void TitleBar::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton) {
        showWindowMenu(window()->windowHandle(), mapTo(window(), event->position().toPoint()));
    } else if (event->button() == Qt::LeftButton && window()->windowHandle()) {
        window()->windowHandle()->startSystemMove();
    }
}

// Drawn again, buttons and all, when the window gains or loses the focus. A
// child widget learns it from WindowActivate and WindowDeactivate;
// ActivationChange only reaches it while the window is being shown.
bool TitleBar::event(QEvent *event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate ||
        type == QEvent::ActivationChange) {
        update();
        minimise->update();
        close->update();
    }
    return QWidget::event(event);
}
