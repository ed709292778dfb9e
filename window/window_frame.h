#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

// The window as a Wayland desktop shows it. The frame holds the window's
// content at its one designed size and adds what the compositor leaves to
// the program: a title bar where the compositor draws none, and the answer
// a window of one size must still give to a maximise request. Elsewhere the
// window manager frames the content, and no frame is made.
class WindowFrame : public QWidget {
    Q_OBJECT
public:
    explicit WindowFrame(QWidget &content);
    // The content is let go of, not destroyed: its owner keeps it.
    ~WindowFrame() override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void keepDesignedSize();

    QPointer<QWidget> content;
    bool leaveFillingAfterPaint = false;
};

// Shows the content as the program's window: inside a frame on Wayland, as
// it is elsewhere. Gives the frame, if one was made.
std::unique_ptr<WindowFrame> showAsWindow(QWidget &content);
