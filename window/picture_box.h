#pragma once

#include "click_sequence.h"

#include <QImage>
#include <QWidget>

// The image box. Its picture is made at the box's size in device pixels, so
// painting copies it without scaling and it stays sharp on HiDPI screens.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPicture(const QImage &picture);
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
