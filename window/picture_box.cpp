#include "picture_box.h"

#include "look.h"
#include "picture_files.h"

#include <QPainter>

PictureBox::PictureBox(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// The same picture again (remembered, its file unchanged) needs no repaint;
// nor does the same placeholder.
void PictureBox::setPicture(const QImage &picture, QStringView glyph) {
    QImage next = picture;
    if (next.isNull()) {
        const qreal ratio = devicePixelRatioF();
        if (placeholder.isNull() || placeholderGlyph != glyph ||
            placeholder.devicePixelRatio() != ratio ||
            placeholder.size() != deviceSize(size(), ratio)) {
            placeholder = placeholderPicture(glyph, deviceSize(size(), ratio));
            placeholder.setDevicePixelRatio(ratio);
            placeholderGlyph = glyph.toString();
        }
        next = placeholder;
    }
    if (next.cacheKey() != shown.cacheKey()) {
        shown = next;
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

QImage placeholderPicture(QStringView glyph, QSize deviceSize) {
    QImage picture(deviceSize, QImage::Format_RGB32);
    picture.fill(QColor(0xEE, 0xEB, 0xE4));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(deviceSize.width(), deviceSize.height());
    painter.setPen(QPen(QColor(0xB8, 0xB2, 0xA6), std::max(1, side / 50)));
    painter.drawRect(
        picture.rect().adjusted(side / 100, side / 100, -side / 100 - 1, -side / 100 - 1));
    painter.setPen(QColor(0x8A, 0x84, 0x78));
    painter.setFont(descriptionFont(Face::PGothic, side / 2));
    painter.drawText(picture.rect(), Qt::AlignCenter, glyph.toString());
    return picture;
}
