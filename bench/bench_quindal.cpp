// Benchmarks, each against a baseline measured in the same run, each ending
// where a person sees the result: at the painted frame.
//
//   keystroke  a digit typed into textNen until its frame is painted, through
//              ten years and so several animals, against the same key into
//              a plain QLineEdit until its frame, plus a full QImageReader
//              decode of the same picture file (target: ratio <= 0.5)
//   large      the same keystroke with an 8000 x 8000 baseline JPEG as the
//              animal, against QImageReader decoding it scaled to the box:
//              time and peak-memory growth (for information)
//   start-up   a whole new process to its first painted frame, Form1 against
//              a bare window with one Japanese label and one 160 x 160
//              picture, alternating, median of 21 each; peak resident
//              memory at that frame (targets: ratio <= 1.10, <= 6 MiB more)
//   memory     resident growth over 10,000 recalculations through all twelve
//              animals, after a first pass through them (target: <= 1 MiB)
//   pss        the whole program's proportional set size (PSS, shared pages
//              split between the processes that map them), window and
//              picture readers summed, once it has shown the twelve animals,
//              against the bare window's (for information)
//
// Run with: cmake --build build --target run-benchmarks (under Xvfb when
// xvfb-run is installed, offscreen otherwise; the platform is printed).
#include "bare_window.h"
#include "main_window.h"
#include "process_memory.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

double median(std::vector<double> v) {
    std::ranges::sort(v);
    return v[v.size() / 2];
}

constexpr double mebibyte = 1024.0 * 1024.0;

void report(const char *name, double ours, double baseline, double target, const char *unit) {
    const double ratio = ours / baseline;
    std::printf("%-10s %10.3f %s %10.3f %s %8.2f %8.2f  %s\n", name, ours, unit, baseline, unit,
                ratio, target, ratio <= target ? "within target" : "OVER TARGET");
}

// Counts the frames a window paints: each is one UpdateRequest handled.
class Frames : public QObject {
public:
    explicit Frames(QWidget *window) { window->installEventFilter(this); }
    int painted = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        painted += event->type() == QEvent::UpdateRequest;
        return false;
    }
};

void showAndSettle(QWidget &window) {
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) &&
           waited.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    window.activateWindow();
    while (waited.elapsed() < 200 || !window.isActiveWindow()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (waited.elapsed() > 3000) {
            break;
        }
    }
}

void sendKey(QWidget *target, Qt::Key key, const QString &text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

// Runs the events a change posted until its frame has been painted.
void untilPainted(Frames &frames) {
    const int before = frames.painted;
    for (int i = 0; i < 1000 && frames.painted == before; ++i) {
        QCoreApplication::processEvents();
    }
}

template <typename Work> double milliseconds(Work work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Form1 with the era list at 西暦 and "199" typed, ready for a last digit.
struct TypingWindow {
    Form1 form;
    QLineEdit *textNen = form.findChild<QLineEdit *>(QStringLiteral("textNen"));
    Frames frames{&form};
    TypingWindow() {
        showAndSettle(form);
        form.findChild<QComboBox *>(QStringLiteral("cboGengo"))->setCurrentIndex(0);
        textNen->setFocus();
        textNen->setText(QStringLiteral("199"));
        untilPainted(frames);
    }
    // The digit typed, to its frame; Backspace afterwards, untimed.
    double typeDigit(int digit) {
        const double time = milliseconds([&] {
            sendKey(textNen, Qt::Key(Qt::Key_0 + digit), QString::number(digit));
            untilPainted(frames);
        });
        sendKey(textNen, Qt::Key_Backspace, QString());
        untilPainted(frames);
        return time;
    }
};

// The animal of 1990 + digit.
QString animalFile(int digit) {
    static const char *const names[] = {"uma", "hituji", "saru", "tori", "inu",
                                        "i",   "ne",     "ushi", "tora", "u"};
    return QCoreApplication::applicationDirPath() + '/' + names[digit] + ".jpg";
}

void keystroke(int rounds) {
    TypingWindow ours;
    QWidget plainWindow;
    auto *plain = new QLineEdit(&plainWindow);
    plain->setMaxLength(4);
    Frames plainFrames(&plainWindow);
    showAndSettle(plainWindow);
    plain->setFocus();
    plain->setText(QStringLiteral("199"));
    untilPainted(plainFrames);

    for (int i = 0; i < 10; ++i) { // a first pass through the animals, for both sides
        ours.typeDigit(i);
        QImageReader(animalFile(i)).read();
    }
    std::vector<double> oursTimes, baseTimes;
    for (int i = 0; i < rounds; ++i) {
        const int digit = i % 10;
        oursTimes.push_back(ours.typeDigit(digit));
        baseTimes.push_back(milliseconds([&] {
            sendKey(plain, Qt::Key(Qt::Key_0 + digit), QString::number(digit));
            QImage decoded;
            QImageReader(animalFile(digit)).read(&decoded);
            untilPainted(plainFrames);
        }));
        sendKey(plain, Qt::Key_Backspace, QString());
        untilPainted(plainFrames);
    }
    report("keystroke", median(oursTimes), median(baseTimes), 0.5, "ms");
    std::printf("           (to the painted frame through ten years; baseline: plain line edit"
                " and its frame plus QImageReader decoding the same file)\n");
}

// An 8000 x 8000 baseline JPEG, written by a child process so that this
// one's peak memory does not hold the image it was drawn from.
void writeLargePicture(const QString &path) {
    QImage image(8000, 8000, QImage::Format_RGB888);
    QPainter painter(&image);
    QLinearGradient ground(0, 0, 8000, 8000);
    ground.setColorAt(0, QColor(0xE9, 0xA4, 0x6A));
    ground.setColorAt(1, QColor(0x40, 0x60, 0xA0));
    painter.fillRect(image.rect(), ground);
    painter.setPen(QPen(Qt::white, 3));
    for (int i = 0; i < 8000; i += 9) { // detail enough that the file is not tiny
        painter.drawLine(i, 0, 8000 - i, 8000);
        painter.drawEllipse(QPoint(4000, 4000), i / 2, i / 3);
    }
    painter.end();
    image.save(path, "JPEG", 85);
}

// Run from a folder holding only the large picture as uma.jpg (a copy of
// this program, so that it is the program's folder), in a process of its own
// for each side so that each peak is its own. Prints the median time and the
// growth of the peak resident memory.
void largeKeystroke(bool baseline, int rounds) {
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/uma.jpg");
    std::unique_ptr<TypingWindow> ours(baseline ? nullptr : new TypingWindow);
    const qint64 peakAtStart = processMemory("VmHWM"); // the window open, before any picture
    std::vector<double> times;
    times.reserve(std::size_t(rounds));
    for (int i = 0; i < rounds; ++i) {
        times.push_back(ours ? ours->typeDigit(0) : milliseconds([&] {
            QImageReader reader(file);
            reader.setScaledSize(QSize(160, 160));
            reader.read();
        }));
    }
    std::printf("%.3f %lld\n", median(times), processMemory("VmHWM") - peakAtStart);
}

void large(int rounds) {
    QTemporaryDir folder;
    const QString self = QCoreApplication::applicationFilePath();
    QProcess::execute(self, {QStringLiteral("--write-large"), folder.filePath("uma.jpg")});
    QFile::copy(self, folder.filePath("bench_quindal"));
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/quindal-reader"),
                folder.filePath("quindal-reader"));
    const auto run = [&](const char *side) {
        QProcess child;
        child.start(folder.filePath("bench_quindal"),
                    {QStringLiteral("--large-keystroke"), QString::fromLatin1(side),
                     QString::number(rounds)});
        child.waitForFinished(600000);
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        return std::pair{f.value(0).toDouble(), f.value(1).toDouble() / mebibyte};
    };
    const auto [oursTime, oursPeak] = run("ours");
    const auto [baseTime, basePeak] = run("baseline");
    report("large", oursTime, baseTime, 1.0, "ms");
    std::printf("           (an 8000 x 8000 baseline JPEG of %.1f MiB; baseline: QImageReader"
                " decoding it scaled to 160 x 160; peak memory growth %.1f MiB against %.1f MiB)\n",
                double(QFileInfo(folder.filePath("uma.jpg")).size()) / mebibyte, oursPeak,
                basePeak);
}

// One whole process to its first painted frame: milliseconds and peak MiB.
std::pair<double, double> processStart(const char *which) {
    QProcess child;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    child.start(
        QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup_child"),
        {QString::fromLatin1(which), QString::number(now.tv_sec * 1000000000LL + now.tv_nsec)});
    child.waitForFinished(30000);
    const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
    return {f.value(0).toDouble(), f.value(1).toDouble() / mebibyte};
}

void startUp(int processes) {
    std::vector<double> ours, bare, oursPeak, barePeak;
    for (int i = 0; i < processes; ++i) {
        const auto [t1, m1] = processStart("form");
        const auto [t2, m2] = processStart("bare");
        ours.push_back(t1);
        oursPeak.push_back(m1);
        bare.push_back(t2);
        barePeak.push_back(m2);
    }
    report("start-up", median(ours), median(bare), 1.10, "ms");
    const double extra = median(oursPeak) - median(barePeak);
    std::printf("           (whole process to first painted frame, alternating, median of %d; peak"
                " memory %.1f MiB against %.1f MiB: %+.1f MiB, target <= 6  %s)\n",
                processes, median(oursPeak), median(barePeak), extra,
                extra <= 6 ? "within target" : "OVER TARGET");
}

// The PSS of a process and its children, in bytes.
qint64 treePss(qint64 pid) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    qint64 pss = 0;
    if (rollup.open(QIODevice::ReadOnly)) {
        const QByteArray text = rollup.readAll();
        const qsizetype at = text.indexOf("\nPss:");
        pss = text.mid(at + 5, text.indexOf('\n', at + 1) - at - 5)
                  .trimmed()
                  .split(' ')[0]
                  .toLongLong() *
              1024;
    }
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray line = stat.readAll();
            if (line.mid(line.lastIndexOf(") ") + 2).split(' ').value(1).toLongLong() == pid) {
                pss += treePss(entry.toLongLong());
            }
        }
    }
    return pss;
}

void pss(int processes) {
    const auto held = [](const char *which) {
        QProcess child;
        child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup_child"),
                    {QString::fromLatin1(which), QStringLiteral("0"), QStringLiteral("hold")});
        while (!child.readAllStandardOutput().contains("ready") && child.waitForReadyRead(30000)) {
        }
        const double mib = double(treePss(child.processId())) / mebibyte;
        child.kill();
        child.waitForFinished();
        return mib;
    };
    std::vector<double> ours, bare;
    for (int i = 0; i < processes; ++i) {
        ours.push_back(held("form"));
        bare.push_back(held("bare"));
    }
    std::printf("%-10s %10.1f MiB %10.1f MiB %+8.1f MiB  (window and picture readers, PSS summed,"
                " median of %d)\n",
                "pss", median(ours), median(bare), median(ours) - median(bare), processes);
}

void memory(int recalculations) {
    TypingWindow ours;
    for (int i = 0; i < 12; ++i) { // a first pass: the remembered pictures are not growth
        ours.textNen->setText(QString::number(2000 + i));
        untilPainted(ours.frames);
    }
    const qint64 atStart = processMemory("VmRSS");
    for (int i = 0; i < recalculations; ++i) {
        ours.textNen->setText(QString::number(2000 + i % 12));
        untilPainted(ours.frames);
    }
    const double growth = double(processMemory("VmRSS") - atStart) / mebibyte;
    std::printf("%-10s %10.2f MiB at start, growth over %d recalculations %.2f MiB (target <= 1.00)"
                "  %s\n",
                "memory", double(atStart) / mebibyte, recalculations, growth,
                growth <= 1.0 ? "within target" : "OVER TARGET");
}

} // namespace

int main(int argc, char *argv[]) {
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--write-large" && argc > 2) {
        QGuiApplication app(argc, argv);
        writeLargePicture(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    QApplication app(argc, argv);
    if (mode == "--large-keystroke" && argc > 3) {
        largeKeystroke(QByteArray(argv[2]) == "baseline", std::max(3, atoi(argv[3])));
        return 0;
    }
    // bench_quindal [figure ...]: keystroke large start-up memory pss (all by default)
    QStringList figures = QCoreApplication::arguments().mid(1);
    if (figures.isEmpty()) {
        figures = {"keystroke", "large", "start-up", "memory", "pss"};
    }
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("%-10s %13s %13s %8s %8s\n", "benchmark", "Quindal", "baseline", "ratio", "target");
    for (const QString &figure : figures) {
        if (figure == "keystroke") {
            keystroke(2000);
        } else if (figure == "large") {
            large(9);
        } else if (figure == "start-up") {
            startUp(21);
        } else if (figure == "memory") {
            memory(10000);
        } else if (figure == "pss") {
            pss(5);
        }
    }
    return 0;
}
