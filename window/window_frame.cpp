#include "window_frame.h"

#include "title_bar.h"
#include "wayland_desktop.h"

#include <QWindow>
#include <utility>

namespace {

constexpr Qt::WindowStates fillingStates = Qt::WindowMaximized | Qt::WindowFullScreen;

} // namespace

// A compositor that decorates windows (KWin) gives this one its title bar
// like every other window's, without maximise for a window of fixed size.
// One that does not (mutter, Weston) leaves it to Qt, whose bar offers
// maximise even so: the frame draws its own above the content instead.
WindowFrame::WindowFrame(QWidget &content) : content(&content) {
    setWindowTitle(content.windowTitle());
    setWindowIcon(content.windowIcon());
    setWindowFlags(content.windowFlags());
    setPalette(content.palette());
    setAutoFillBackground(true);
    const bool ownTitleBar = !compositorDecoratesWindows();
    const int barHeight = ownTitleBar ? TitleBar::height : 0;
    setWindowFlag(Qt::FramelessWindowHint, ownTitleBar);
    // The control the content would give the focus to first keeps it: a new
    // parent forgets where the focus was meant to start.
    QWidget *firstFocus = content.focusWidget();
    content.setParent(this);
    content.move(0, barHeight);
    if (firstFocus) {
        firstFocus->setFocus(Qt::OtherFocusReason);
    }
    setFixedSize(content.width(), content.height() + barHeight);
    if (ownTitleBar) {
        new TitleBar(this);
    }
}

WindowFrame::~WindowFrame() {
    if (content) {
        content->hide();
        content->setParent(nullptr);
    }
}

void WindowFrame::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    connect(windowHandle(), &QWindow::windowStateChanged, this, &WindowFrame::keepDesignedSize,
            Qt::UniqueConnection);
}

void WindowFrame::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        keepDesignedSize();
    }
}

void WindowFrame::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    keepDesignedSize();
}

// The window has one size, its minimum, yet a maximise request can still
// reach it (from Qt's own title bar, or the compositor's keys), and the
// compositor ends a client whose next frame does not fill the maximised size
// it has acknowledged. So a window asked to maximise lifts its size limit,
// fills the size the compositor gives it, asks to return as soon as that
// frame is painted (see paintEvent), and takes its one size again once it is
// back at it.
void WindowFrame::keepDesignedSize() {
    if (windowHandle() && (windowHandle()->windowStates() & fillingStates)) {
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        // The widget's own state follows what the window system reports,
        // not what was asked: it is maximised only once that has happened.
        if (windowState() & fillingStates) {
            leaveFillingAfterPaint = true;
            update();
        }
    } else if (size() == minimumSize() && maximumSize() != minimumSize()) {
        setMaximumSize(minimumSize());
    }
}

// A compositor that has not yet been shown a frame at the maximised size
// would take the request to return for no change, and ignore it; queued, the
// request follows this frame.
void WindowFrame::paintEvent(QPaintEvent *event) {
    QWidget::paintEvent(event);
    if (std::exchange(leaveFillingAfterPaint, false)) {
        QMetaObject::invokeMethod(
            this, [this] { setWindowState(windowState() & ~fillingStates); }, Qt::QueuedConnection);
    }
}

std::unique_ptr<WindowFrame> showAsWindow(QWidget &content) {
    std::unique_ptr<WindowFrame> frame =
        onWayland() ? std::make_unique<WindowFrame>(content) : nullptr;
    (frame ? static_cast<QWidget &>(*frame) : content).show();
    return frame;
}
