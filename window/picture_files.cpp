#include "picture_files.h"

#include "form_description.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

namespace {
constexpr qint64 largestFileBytes = qint64{32} * 1024 * 1024;
constexpr int smallestSide = 16;
constexpr int largestSide = 10000;
// Pictures larger than this are decoded scaled down (cheaply, in the JPEG
// decoder); the box is 160 pixels, so 320 keeps a HiDPI screen sharp.
constexpr int decodedSide = 320;

// A complete JPEG starts with SOI and ends with EOI (allowing a little
// padding after it); a truncated one would decode as a half-grey picture.
bool looksComplete(const QByteArray &data) {
    if (!data.startsWith("\xFF\xD8")) {
        return false;
    }
    const qsizetype tail = std::min<qsizetype>(data.size(), 1024);
    return data.right(tail).contains("\xFF\xD9");
}
} // namespace

bool loadPicture(const QString &path, QImage &picture) {
    const auto fail = [&picture] {
        picture = QImage();
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largestFileBytes) {
        return fail();
    }
    const QByteArray data = file.readAll();
    if (!looksComplete(data)) {
        return fail();
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() < smallestSide || size.height() < smallestSide ||
        size.width() > largestSide || size.height() > largestSide) {
        return fail();
    }
    if (size.width() > 2 * decodedSide || size.height() > 2 * decodedSide) {
        reader.setScaledSize(QSize(decodedSide, decodedSide));
    }
    return reader.read(&picture) || fail();
}

QImage placeholderPicture(QStringView glyph) {
    QImage picture(decodedSide, decodedSide, QImage::Format_RGB32);
    picture.fill(QColor(0xEE, 0xEB, 0xE4));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xB8, 0xB2, 0xA6), 6));
    painter.drawRect(picture.rect().adjusted(3, 3, -3, -3));
    painter.setPen(QColor(0x8A, 0x84, 0x78));
    painter.setFont(descriptionFont(Face::PGothic, decodedSide / 2));
    painter.drawText(picture.rect(), Qt::AlignCenter, glyph.toString());
    return picture;
}

QString picturePath(const QString &folder, QStringView storedName) {
    // The stored names carry a leading backslash as the folder separator.
    if (storedName.startsWith(u'\\')) {
        storedName = storedName.mid(1);
    }
    return folder + u'/' + storedName.toString();
}
