// Draws every picture the program ships: the window icon and the start
// picture (compiled in), the twelve animals and two scenes that lie beside
// the executable, and the desktop's icon at each of its sizes.
//
//   draw_pictures <resources folder> <pictures folder> <icons folder>
//
// The animals are composed from Noto Color Emoji (SIL Open Font License) with
// the branch kanji; everything else is drawn with plain shapes.
#include "cycle_tables.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <utility>

namespace {

// The pictures are drawn in a 320-unit square (the start picture in a
// 160-unit one) and stored at 480 pixels, so that they stay sharp up to three
// times the box's 160 logical pixels; the program decodes them to the box's
// size in device pixels.
constexpr int side = 320;
constexpr int storedSide = 480;

// A painter on a fresh stored-size picture, drawing in units of which
// `units` span its side.
struct Canvas {
    explicit Canvas(int units)
        : image(storedSide, storedSide, QImage::Format_RGB32), painter(&image) {
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                               QPainter::TextAntialiasing);
        painter.scale(qreal(storedSide) / units, qreal(storedSide) / units);
    }
    QImage finished() {
        painter.end();
        return image;
    }
    QImage image;
    QPainter painter;
};

struct Animal {
    const char16_t *emoji;
    QRgb hue;
};

// In branch order, from 申 (index 0) to 未; each picture's file name and
// kanji come from the almanac's branch table.
const Animal animals[] = {
    {u"🐒", 0xE9A46A}, {u"🐓", 0xE57373}, {u"🐕", 0xC8A27A}, {u"🐗", 0x9CB27B},
    {u"🐀", 0xA7B4C9}, {u"🐂", 0xD7B98E}, {u"🐅", 0xF2B35B}, {u"🐇", 0xB9D5A0},
    {u"🐉", 0x7FC3B6}, {u"🐍", 0xC3D77A}, {u"🐎", 0xD49A7A}, {u"🐑", 0x9FC4E0},
};

QString qstring(std::u16string_view text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

QFont font(const QString &family, int pixels) {
    QFont f(family);
    f.setPixelSize(pixels);
    return f;
}

QFont kanjiFont(int pixels) {
    QFont f = font(QStringLiteral("IPAPGothic"), pixels);
    f.setWeight(QFont::Bold);
    return f;
}

// JPEGs with optimised Huffman tables: the program reads a picture's bytes at
// every keystroke that shows it, so smaller files cost less.
void save(const QImage &image, const QString &path, int quality = 88) {
    QImageWriter writer(path);
    writer.setQuality(quality);
    writer.setOptimizedWrite(true);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("wrote %s\n", qPrintable(path));
}

QImage drawAnimal(const Animal &a, const almanac::Branch &branch) {
    Canvas canvas(side);
    QPainter &p = canvas.painter;
    const QColor hue(a.hue);
    QRadialGradient ground(QPointF(side * 0.5, side * 0.42), side * 0.75);
    ground.setColorAt(0, hue.lighter(150));
    ground.setColorAt(1, hue);
    p.fillRect(QRect(0, 0, side, side), ground);

    // A pale medallion behind the animal, with a thin ring.
    p.setPen(QPen(QColor(255, 255, 255, 170), 4));
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(QPointF(side / 2.0, side / 2.0 + 6), 118, 118);

    p.setPen(Qt::black);
    p.setFont(font(QStringLiteral("Noto Color Emoji"), 190));
    p.drawText(QRect(0, 20, side, side - 20), Qt::AlignCenter, QString::fromUtf16(a.emoji));

    // The branch kanji as a red seal in the top-left corner.
    const QRectF seal(16, 16, 64, 64);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC6, 0x2B, 0x2B));
    p.drawRoundedRect(seal, 8, 8);
    p.setPen(QColor(0xFF, 0xF6, 0xE8));
    p.setFont(kanjiFont(46));
    p.drawText(seal, Qt::AlignCenter, qstring(branch.kanji));
    return canvas.finished();
}

void drawMountain(QPainter &p, const QColor &rock, const QColor &snow) {
    QPainterPath mountain;
    mountain.moveTo(-10, 260);
    mountain.lineTo(128, 118);
    mountain.quadTo(160, 100, 192, 118);
    mountain.lineTo(330, 260);
    mountain.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(rock);
    p.drawPath(mountain);
    QPainterPath cap;
    cap.moveTo(128, 118);
    cap.quadTo(160, 100, 192, 118);
    cap.lineTo(214, 141);
    cap.lineTo(196, 136);
    cap.lineTo(180, 148);
    cap.lineTo(162, 134);
    cap.lineTo(144, 148);
    cap.lineTo(126, 136);
    cap.lineTo(106, 141);
    cap.closeSubpath();
    p.setBrush(snow);
    p.drawPath(cap);
}

// Mount Fuji at sunrise over a lake.
QImage drawScene1() {
    Canvas canvas(side);
    QPainter &p = canvas.painter;
    QLinearGradient sky(0, 0, 0, 260);
    sky.setColorAt(0, QColor(0x6C, 0x9E, 0xD8));
    sky.setColorAt(0.7, QColor(0xF6, 0xC8, 0x9A));
    sky.setColorAt(1, QColor(0xFA, 0xE1, 0xB5));
    p.fillRect(QRect(0, 0, side, side), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0x8A, 0x3D));
    p.drawEllipse(QPointF(250, 92), 30, 30);
    drawMountain(p, QColor(0x4B, 0x62, 0x8C), QColor(0xF4, 0xF7, 0xFB));
    QLinearGradient lake(0, 258, 0, side);
    lake.setColorAt(0, QColor(0x7F, 0xA8, 0xD6));
    lake.setColorAt(1, QColor(0x35, 0x5C, 0x8E));
    p.fillRect(QRect(0, 258, side, side - 258), lake);
    p.setPen(QPen(QColor(255, 255, 255, 140), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 5; ++i) {
        p.drawLine(60 + i * 47, 276 + (i % 2) * 14, 92 + i * 47, 276 + (i % 2) * 14);
    }
    p.setPen(Qt::black);
    p.setFont(font(QStringLiteral("Noto Color Emoji"), 44));
    p.drawText(QRect(14, 196, 70, 70), Qt::AlignCenter, QStringLiteral("⛩"));
    return canvas.finished();
}

// A spring night: the moon and cherry blossoms.
QImage drawScene2() {
    Canvas canvas(side);
    QPainter &p = canvas.painter;
    QLinearGradient sky(0, 0, 0, side);
    sky.setColorAt(0, QColor(0x14, 0x1E, 0x46));
    sky.setColorAt(1, QColor(0x4A, 0x3B, 0x78));
    p.fillRect(QRect(0, 0, side, side), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 230, 50));
    p.drawEllipse(QPointF(226, 86), 62, 62);
    p.setBrush(QColor(0xFF, 0xF4, 0xC8));
    p.drawEllipse(QPointF(226, 86), 42, 42);
    p.setBrush(QColor(255, 255, 255, 200));
    const QPoint stars[] = {{30, 40}, {80, 22}, {130, 60}, {60, 110}, {290, 170}, {170, 20}};
    for (const QPoint &s : stars) {
        p.drawEllipse(s, 2, 2);
    }
    // A branch reaching in from the left, covered in blossoms.
    p.setPen(QPen(QColor(0x3A, 0x25, 0x20), 12, Qt::SolidLine, Qt::RoundCap));
    QPainterPath branch;
    branch.moveTo(-10, 250);
    branch.cubicTo(80, 220, 150, 240, 230, 190);
    p.setBrush(Qt::NoBrush);
    p.drawPath(branch);
    p.setPen(QPen(QColor(0x3A, 0x25, 0x20), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(120, 232, 150, 290);
    p.setPen(Qt::black);
    const QPoint blossoms[] = {{20, 220},  {70, 205},  {115, 215}, {165, 205},
                               {210, 175}, {135, 265}, {240, 205}, {90, 245}};
    for (int i = 0; std::cmp_less(i, std::size(blossoms)); ++i) {
        p.setFont(font(QStringLiteral("Noto Color Emoji"), 34 + (i % 3) * 8));
        p.drawText(QRect(blossoms[i] - QPoint(30, 30), QSize(60, 60)), Qt::AlignCenter,
                   QStringLiteral("🌸"));
    }
    return canvas.finished();
}

// A desk seen from above: keyboard, papers, pen, glasses and a black coffee.
QImage drawStartPicture() {
    const int s = 160;
    Canvas canvas(s);
    QPainter &p = canvas.painter;
    QLinearGradient desk(0, 0, s, s);
    desk.setColorAt(0, QColor(0x9A, 0x6A, 0x43));
    desk.setColorAt(1, QColor(0x6E, 0x46, 0x2A));
    p.fillRect(QRect(0, 0, s, s), desk);
    p.setPen(QPen(QColor(0, 0, 0, 28), 1));
    for (int y = 6; y < s; y += 11) {
        p.drawLine(0, y, s, y + 4);
    }
    // Keyboard along the top.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x30, 0x36));
    p.drawRoundedRect(QRectF(8, 6, 144, 40), 4, 4);
    p.setBrush(QColor(0xD9, 0xDB, 0xE0));
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 13; ++col) {
            p.drawRoundedRect(QRectF(12 + col * 10.5 + (row % 2) * 3, 10 + row * 8.6, 8, 6.6), 1,
                              1);
        }
    }
    // Papers, one over the other.
    p.save();
    p.translate(42, 92);
    p.rotate(-12);
    p.setBrush(QColor(0xEE, 0xEC, 0xE4));
    p.drawRect(QRectF(-32, -36, 64, 84));
    p.rotate(16);
    p.setBrush(QColor(0xFB, 0xFB, 0xF7));
    p.drawRect(QRectF(-30, -34, 62, 82));
    p.setPen(QPen(QColor(0x9E, 0xA6, 0xB4), 1.2));
    for (int i = 0; i < 8; ++i) {
        p.drawLine(QPointF(-22, -24 + i * 8), QPointF(22 - (i % 3) * 6, -24 + i * 8));
    }
    p.restore();
    // Pen lying across the papers.
    p.save();
    p.translate(62, 126);
    p.rotate(-35);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1D, 0x3F, 0x8A));
    p.drawRoundedRect(QRectF(-30, -3, 56, 6), 3, 3);
    p.setBrush(QColor(0xD8, 0xB6, 0x4A));
    p.drawRect(QRectF(14, -3, 3, 6));
    p.setBrush(QColor(0x30, 0x30, 0x30));
    QPolygonF tip{QPointF(-30, -3), QPointF(-38, 0), QPointF(-30, 3)};
    p.drawPolygon(tip);
    p.restore();
    // Reading glasses.
    p.setPen(QPen(QColor(0x22, 0x22, 0x22), 2.2));
    p.setBrush(QColor(200, 225, 255, 70));
    p.drawEllipse(QPointF(94, 66), 11, 9);
    p.drawEllipse(QPointF(122, 66), 11, 9);
    p.drawArc(QRectF(103, 60, 10, 8), 20 * 16, 140 * 16);
    p.drawLine(QPointF(83, 64), QPointF(76, 56));
    p.drawLine(QPointF(133, 64), QPointF(140, 56));
    // Coffee cup on its saucer, with a spoon.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawEllipse(QPointF(121, 123), 30, 28);
    p.setBrush(QColor(0xF5, 0xF3, 0xEE));
    p.drawEllipse(QPointF(118, 120), 30, 28);
    p.setBrush(QColor(0xE2, 0xDF, 0xD8));
    p.drawEllipse(QPointF(118, 120), 21, 19);
    p.setBrush(QColor(0xFB, 0xFA, 0xF7));
    p.drawEllipse(QPointF(118, 119), 17, 15);
    p.setBrush(QColor(0x2A, 0x17, 0x0E));
    p.drawEllipse(QPointF(118, 119), 13, 11);
    p.setBrush(QColor(0x5A, 0x36, 0x22));
    p.drawEllipse(QPointF(114, 115), 4, 2.5);
    p.setPen(QPen(QColor(0xF5, 0xF3, 0xEE), 4.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(130, 110, 14, 16), -70 * 16, 140 * 16);
    p.setPen(QPen(QColor(0xB8, 0xBC, 0xC4), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(96, 136), QPointF(88, 148));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xB8, 0xBC, 0xC4));
    p.drawEllipse(QPointF(100, 131), 4, 3);
    return canvas.finished();
}

// The icon's design, in a 32-unit square: a white page with its top-right
// corner folded over in blue, bearing a blue disc with a white "i".
namespace icon {
const QColor white(255, 255, 255), blue(0x1E, 0x5A, 0xC8), fold(0x7F, 0xA8, 0xE8),
    edge(0x20, 0x2C, 0x48);

void draw(QPainter &p) {
    p.setPen(edge);
    p.setBrush(white);
    p.drawPolygon(QPolygon{{5, 1}, {20, 1}, {27, 8}, {27, 30}, {5, 30}});
    p.setBrush(fold);
    p.drawPolygon(QPolygon{{20, 1}, {20, 8}, {27, 8}});
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawEllipse(QPoint(16, 18), 9, 9);
    p.setBrush(white);
    p.drawRect(15, 17, 3, 7);
    p.drawRect(15, 12, 3, 3);
}
} // namespace icon

// The window icon: 32 x 32, five colours of a 256-entry palette.
QImage drawWindowIcon() {
    QImage rgb(32, 32, QImage::Format_ARGB32);
    rgb.fill(Qt::transparent);
    QPainter p(&rgb);
    icon::draw(p);
    p.end();
    QList<QRgb> table{qRgba(0, 0, 0, 0), icon::white.rgb(), icon::blue.rgb(), icon::fold.rgb(),
                      icon::edge.rgb()};
    while (table.size() < 256) {
        table.push_back(qRgb(0, 0, 0));
    }
    return rgb.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

// The desktop's icon at one of its sizes, drawn at that size, smoothly.
QImage drawDesktopIcon(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels / 32.0, pixels / 32.0);
    icon::draw(p);
    return image;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: draw_pictures <resources folder> <pictures folder> <icons "
                             "folder>\n");
        return 2;
    }
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Color Emoji"))) {
        std::fprintf(stderr, "Noto Color Emoji is missing (Debian: fonts-noto-color-emoji)\n");
        return 1;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    const QDir pictures(QString::fromLocal8Bit(argv[2]));
    const QDir icons(QString::fromLocal8Bit(argv[3]));
    save(drawWindowIcon(), resources.filePath(QStringLiteral("icon.png")));
    for (const int pixels : {16, 24, 32, 48, 64, 128, 256, 512}) {
        save(drawDesktopIcon(pixels), icons.filePath(QStringLiteral("%1.png").arg(pixels)));
    }
    save(drawStartPicture(), resources.filePath(QStringLiteral("start.jpg")), 90);
    for (int b = 0; b < 12; ++b) {
        const almanac::Branch branch = almanac::branch(b);
        save(drawAnimal(animals[b], branch),
             pictures.filePath(qstring(branch.pictureName.substr(1))));
    }
    save(drawScene1(), pictures.filePath(QStringLiteral("scene1.jpg")));
    save(drawScene2(), pictures.filePath(QStringLiteral("scene2.jpg")));
    return 0;
}
