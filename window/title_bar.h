#pragma once

#include <QWidget>

// The window's own title bar, for Wayland, where the window manager draws
// none and Qt's own would offer a maximise button for a window of fixed
// size: the icon and the title, a minimise and a close button, and dragging
// anywhere else moves the window. It takes the desktop's colours, so a dark
// preference shows here rather than inside the window's design.
class TitleBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 28;

    explicit TitleBar(QWidget *window);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QRect minimiseButton() const;
    QRect closeButton() const;

    QRect pressedButton;
};
