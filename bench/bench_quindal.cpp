// Benchmarks, each against a baseline measured in the same run:
//
//   keystroke  one digit typed into textNen, recalculation and picture
//              included, against the same key into a plain QLineEdit plus
//              decoding the same picture file alone (target: ratio <= 1.3)
//   start-up   a whole process started, Form1 constructed, shown and its
//              first frame painted, against the same for a bare window with
//              one Japanese label in the same font and one 160 x 160 picture
//              (target: ratio <= 1.5); also the same inside one warm process
//              (for information: it leaves out everything a start shares)
//   memory     resident memory after start and after 10,000 recalculations
//              through all twelve animals (target: growth <= 1 MiB)
//
// Run with: cmake --build build --target run-benchmarks
#include "bare_window.h"
#include "main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timed(const std::function<void()> &work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6; // milliseconds
}

void key(QWidget *target, Qt::Key k, const QString &text) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return statm.readAll().split(' ').value(1).toLongLong() * 4096;
}

void report(const char *name, double ours, double baseline, double target, const char *unit) {
    const double ratio = ours / baseline;
    std::printf("%-10s %10.3f %s %10.3f %s %8.2f %8.2f  %s\n", name, ours, unit, baseline, unit,
                ratio, target, ratio <= target ? "within target" : "OVER TARGET");
}

void showAndPaint(QWidget &w) {
    w.show();
    QCoreApplication::sendPostedEvents();
    w.repaint();
}

void keystroke(int rounds) {
    Form1 form;
    showAndPaint(form);
    form.findChild<QComboBox *>(QStringLiteral("cboGengo"))->setCurrentIndex(0);
    auto *textNen = form.findChild<QLineEdit *>(QStringLiteral("textNen"));
    textNen->setFocus();
    textNen->setText(QStringLiteral("199"));

    QWidget plainWindow;
    auto *plain = new QLineEdit(&plainWindow);
    plain->setMaxLength(4);
    showAndPaint(plainWindow);
    plain->setText(QStringLiteral("199"));

    const QString picture = QCoreApplication::applicationDirPath() + QStringLiteral("/uma.jpg");
    std::vector<double> ours, line, decode;
    for (int i = 0; i < rounds; ++i) {
        // "199" + "0" = 1990, a 午 year; Backspace (not timed) goes back.
        ours.push_back(timed([&] { key(textNen, Qt::Key_0, QStringLiteral("0")); }));
        key(textNen, Qt::Key_Backspace, QString());
        line.push_back(timed([&] { key(plain, Qt::Key_0, QStringLiteral("0")); }));
        key(plain, Qt::Key_Backspace, QString());
        decode.push_back(timed([&] {
            QImage image;
            QImageReader(picture).read(&image);
        }));
    }
    const double baseline = median(line) + median(decode);
    report("keystroke", median(ours), baseline, 1.3, "ms");
    std::printf("           (plain line edit %.3f ms + picture decode %.3f ms)\n", median(line),
                median(decode));
}

double processStart(const char *which) {
    QProcess child;
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    const long long spawned = t.tv_sec * 1000000000LL + t.tv_nsec;
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup_child"),
                {QString::fromLatin1(which), QString::number(spawned)});
    child.waitForFinished(30000);
    return child.readAllStandardOutput().trimmed().toDouble();
}

void startUp(int processes, int inProcess) {
    std::vector<double> ours, bare;
    for (int i = 0; i < processes; ++i) {
        ours.push_back(processStart("form"));
        bare.push_back(processStart("bare"));
    }
    report("start-up", median(ours), median(bare), 1.5, "ms");
    std::printf("           (whole process to first frame, median of %d starts each)\n", processes);

    std::vector<double> warmOurs, warmBare;
    for (int i = 0; i < inProcess; ++i) {
        warmOurs.push_back(timed([] {
            Form1 form;
            showAndPaint(form);
        }));
        warmBare.push_back(timed([] {
            const auto window = makeBareWindow();
            showAndPaint(*window);
        }));
    }
    std::printf("           (in one warm process: %.3f ms against %.3f ms; for information)\n",
                median(warmOurs), median(warmBare));
}

void memory(int recalculations) {
    Form1 form;
    showAndPaint(form);
    // Started: shown on screen, first frame painted, the event loop settled.
    QElapsedTimer waited;
    waited.start();
    while (!(form.windowHandle() && form.windowHandle()->isExposed()) && waited.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    form.repaint();
    while (waited.elapsed() < 3300) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    form.findChild<QComboBox *>(QStringLiteral("cboGengo"))->setCurrentIndex(0);
    auto *textNen = form.findChild<QLineEdit *>(QStringLiteral("textNen"));
    const qint64 atStart = residentBytes();
    for (int i = 0; i < recalculations; ++i) {
        textNen->setText(QString::number(2000 + i % 12));
        if (i % 100 == 0) {
            QCoreApplication::processEvents();
        }
    }
    QCoreApplication::processEvents();
    const qint64 after = residentBytes();
    const double growth = double(after - atStart) / (1024 * 1024);
    std::printf("%-10s %10.2f MiB at start, %.2f MiB after %d recalculations: growth %.2f MiB"
                " (target <= 1.00)  %s\n",
                "memory", static_cast<double>(atStart) / 1048576.0,
                static_cast<double>(after) / 1048576.0, recalculations, growth,
                growth <= 1.0 ? "within target" : "OVER TARGET");
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(5, atoi(argv[1])) : 2000;
    { // warm the font, image and style caches once for both sides
        Form1 warm;
        showAndPaint(warm);
    }
    std::printf("%-10s %13s %13s %8s %8s\n", "benchmark", "Quindal", "baseline", "ratio", "target");
    keystroke(rounds);
    startUp(25, 50);
    memory(10000);
    return 0;
}
