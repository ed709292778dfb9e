// What one picture file costs the window: whether it is shown, how long the
// reader takes and how much the process's peak memory grows, at the box's
// size and a pixel ratio. Run one file a process, so that each peak is its
// own:
//
//   for f in *.jpg; do build/bin/picture_cost "$f" 1; done
//
// QT_LOGGING_RULES="quindal.pictures=true" adds the reason for a refusal.
#include "picture_files.h"
#include "process_memory.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: picture_cost FILE [PIXEL-RATIO]\n");
        return 2;
    }
    const QFileInfo file(QString::fromLocal8Bit(argv[1]));
    const qreal ratio = argc > 2 ? std::atof(argv[2]) : 1.0;
    PictureFiles folder(file.absolutePath());
    const qint64 peakBefore = processMemory("VmHWM");
    QElapsedTimer clock;
    clock.start();
    const QImage picture = folder.picture(file.fileName(), QSize(160, 160), ratio);
    const qint64 elapsed = clock.elapsed();
    std::printf("%-40s %-7s %6lld ms  peak +%5.1f MiB\n", qPrintable(file.fileName()),
                picture.isNull() ? "refused" : "shown", static_cast<long long>(elapsed),
                double(processMemory("VmHWM") - peakBefore) / (1 << 20));
    return 0;
}
