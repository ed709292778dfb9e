#pragma once

#include "click_sequence.h"

#include <QImage>
#include <QWidget>

// The image box: stretches its picture to fill it, drawing from the
// picture's full resolution so that it stays sharp on HiDPI screens.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPicture(QImage picture);
    // Hands over the picture shown, so that the next one can be decoded into
    // its memory; set a picture again before the box next paints.
    QImage takePicture() { return std::move(shown); }
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
    ClickSequence clicks;
};
