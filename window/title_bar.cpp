#include "title_bar.h"

#include "look.h"
#include "wayland_desktop.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <utility>

TitleBar::TitleBar(QWidget *window) : QWidget(window) {
    setGeometry(0, 0, window->width(), height);
    setPalette(everyRoleSet(QApplication::palette())); // the desktop's, not the window's design
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
}

QRect TitleBar::closeButton() const {
    return {width() - height, 0, height, height};
}

QRect TitleBar::minimiseButton() const {
    return closeButton().translated(-height, 0);
}

void TitleBar::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const bool active = window()->isActiveWindow();
    const QColor ink =
        palette().color(active ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, height - 1, width(), height - 1);
    window()->windowIcon().paint(&painter, QRect(6, (height - iconSize) / 2, iconSize, iconSize));
    painter.setPen(ink);
    painter.drawText(rect().adjusted(height, 0, -2 * height, 0), Qt::AlignCenter,
                     window()->windowTitle());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ink, 1.5));
    const QRectF close = QRectF(closeButton()).adjusted(9.5, 9.5, -9.5, -9.5);
    painter.drawLine(close.topLeft(), close.bottomRight());
    painter.drawLine(close.bottomLeft(), close.topRight());
    const QRectF minimise = QRectF(minimiseButton()).adjusted(9.5, 9.5, -9.5, -9.5);
    painter.drawLine(minimise.bottomLeft(), minimise.bottomRight());
}

// A button acts on the release over it, as buttons do; a press anywhere else
// hands the move to the compositor, and a right click asks it for its menu.
void TitleBar::mousePressEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        showWindowMenu(window()->windowHandle(), mapTo(window(), at));
        return;
    }
    pressedButton = closeButton().contains(at)      ? closeButton()
                    : minimiseButton().contains(at) ? minimiseButton()
                                                    : QRect();
    if (pressedButton.isNull() && event->button() == Qt::LeftButton && window()->windowHandle()) {
        window()->windowHandle()->startSystemMove();
    }
}

void TitleBar::mouseReleaseEvent(QMouseEvent *event) {
    const QRect button = std::exchange(pressedButton, QRect());
    if (button.isNull() || !button.contains(event->position().toPoint())) {
        return;
    }
    if (button == closeButton()) {
        window()->close();
    } else {
        window()->showMinimized();
    }
}

// Drawn again when the window gains or loses the focus. A child widget
// learns it from WindowActivate and WindowDeactivate; ActivationChange only
// reaches it while the window is being shown.
bool TitleBar::event(QEvent *event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate ||
        type == QEvent::ActivationChange) {
        update();
    }
    return QWidget::event(event);
}
