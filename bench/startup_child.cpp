// One start of a window, timed from the moment the benchmark spawned this
// process to the end of the window's first painted frame. Prints
// milliseconds.
//
//   bench_startup_child form|bare <spawn time, CLOCK_MONOTONIC ns>
#include "bare_window.h"
#include "main_window.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

long long monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// Notes the end of the first frame: the first paint of the window is followed,
// once the whole tree has painted, by this zero-timer.
class FirstFrame : public QObject {
public:
    explicit FirstFrame(long long spawned) : spawned(spawned) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            QTimer::singleShot(0, this, [this] {
                std::printf("%.3f\n", double(monotonicNs() - spawned) / 1e6);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    long long spawned;
    bool seen = false;
};

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 3) {
        return 2;
    }
    const bool form = QByteArray(argv[1]) == "form";
    FirstFrame firstFrame(std::atoll(argv[2]));
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window;
    if (form) {
        window = std::make_unique<Form1>();
    } else {
        window = makeBareWindow();
    }
    window->installEventFilter(&firstFrame);
    window->show();
    return QApplication::exec();
}
