#pragma once

#include <QAbstractButton>
#include <QWidget>

// The window's own title bar, for Wayland, where the window manager draws
// none and Qt's own would offer a maximise button for a window of fixed
// size: the icon and the title, a minimise and a close button; dragging
// anywhere else moves the window and a right click opens the compositor's
// window menu. It takes the desktop's colours, so a dark preference shows
// here rather than inside the window's design, and it reads as active or
// inactive as the window is. Its buttons are buttons to assistive
// technology too, named in Japanese and pressed by its press action; they
// take no focus, so Tab stays with the window's own controls.
class TitleBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 28;
    static constexpr int iconSize = height - 8;

    explicit TitleBar(QWidget *window);

    QAbstractButton *minimiseButton() const { return minimise; }
    QAbstractButton *closeButton() const { return close; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    QAbstractButton *minimise;
    QAbstractButton *close;
};
