#pragma once

#include "click_sequence.h"

#include <QImage>
#include <QString>
#include <QWidget>

// The image box. Its picture is made at the box's size in device pixels, so
// painting copies it without scaling and it stays sharp on HiDPI screens.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    // Shows `picture`, or when there is none (a file that cannot be shown
    // whole) the placeholder: `placeholderGlyph` drawn large.
    void setPicture(const QImage &picture, QStringView placeholderGlyph);
    const QImage &picture() const { return shown; }

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage shown;
    QImage placeholder; // the last one drawn, of placeholderGlyph
    QString placeholderGlyph;
    ClickSequence clicks;
};

// What the image box shows when a picture cannot be shown.
QImage placeholderPicture(QStringView glyph, QSize deviceSize);
