// One start of a window, from the moment the benchmark spawned this process
// to the end of the window's first painted frame. Prints milliseconds and the
// peak resident memory in bytes at that moment. With "hold", the window then
// shows the twelve animals, waits a second for its picture readers, says
// "ready" and stays, for its memory to be read from outside.
//
//   bench_startup_child form|bare <spawn time, CLOCK_MONOTONIC ns> [hold]
#include "bare_window.h"
#include "main_window.h"
#include "process_memory.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Notes the end of the first frame: the window's first UpdateRequest is the
// frame; once it is handled, the frame has been painted and flushed.
class FirstFrame : public QObject {
public:
    FirstFrame(long long spawned, bool hold) : spawned(spawned), hold(hold) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::UpdateRequest && !seen) {
            seen = true;
            QTimer::singleShot(0, this, [this, window = static_cast<QWidget *>(watched)] {
                std::printf("%.3f %lld\n", double(monotonicNs() - spawned) / 1e6,
                            processMemory("VmHWM"));
                if (!hold) {
                    QCoreApplication::quit();
                    return;
                }
                if (auto *year = window->findChild<QLineEdit *>(QStringLiteral("textNen"))) {
                    for (int i = 0; i < 12; ++i) {
                        year->setText(QString::number(2000 + i));
                        QCoreApplication::processEvents();
                    }
                }
                QTimer::singleShot(1000, [] {
                    std::printf("ready\n");
                    std::fflush(stdout);
                });
            });
        }
        return false;
    }

private:
    long long spawned;
    bool hold;
    bool seen = false;
};

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 3 && argc != 4) {
        return 2;
    }
    const bool form = QByteArray(argv[1]) == "form";
    FirstFrame firstFrame(std::atoll(argv[2]), argc == 4);
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window = form ? std::make_unique<Form1>() : makeBareWindow();
    window->installEventFilter(&firstFrame);
    window->show();
    return QApplication::exec();
}
