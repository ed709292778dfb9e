#include "picture_box.h"

#include <QPainter>

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// The same picture again (remembered, its file unchanged) needs no repaint.
void PictureBox::setPicture(const QImage &picture) {
    if (picture.cacheKey() != shown.cacheKey()) {
        shown = picture;
        update();
    }
}

void PictureBox::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawImage(rect(), shown);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event) {
    clicks.doubleClicked(*event);
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event) {
    if (clicks.releaseIsClick(*event) && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}
