#include "picture_box.h"

#include <QPainter>

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(QImage picture) {
    shown = std::move(picture);
    update();
}

void PictureBox::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
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
