#include "picture_files.h"

#include "form_description.h"
#include "jpeg_decoder.h"

#include <QFile>
#include <QPainter>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Decoded pictures of files up to this size are remembered; a larger file is
// decoded each time rather than kept twice in memory.
constexpr qsizetype largestRememberedBytes = qsizetype{1} << 20;

// A picture file opened for reading: usable only when it is a regular file
// of at most the size limit. Opening does not block (O_NONBLOCK: a FIFO
// would otherwise wait for a writer), and nothing else is ever read.
class PictureFile {
public:
    explicit PictureFile(const QString &path)
        : fd(::open(QFile::encodeName(path).constData(),
                    O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {
        struct stat status = {};
        if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
            status.st_size <= largestPictureFileBytes) {
            size = status.st_size;
        }
    }
    ~PictureFile() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    PictureFile(const PictureFile &) = delete;
    PictureFile &operator=(const PictureFile &) = delete;

    bool usable() const { return size >= 0; }

    // Its bytes; no value when it cannot be read or has grown past the limit.
    std::optional<QByteArray> readAll() const {
        // The file may grow after fstat: read one byte past the limit to tell.
        QByteArray bytes(qsizetype(size) + 1, Qt::Uninitialized);
        qsizetype filled = 0;
        for (;;) {
            if (filled == bytes.size()) {
                if (filled > largestPictureFileBytes) {
                    return std::nullopt;
                }
                bytes.resize(std::min(2 * filled, largestPictureFileBytes + 1));
            }
            const ssize_t got = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                bytes.truncate(filled);
                return got == 0 ? std::optional(bytes) : std::nullopt;
            }
            filled += got;
        }
    }

    const int fd;
    qint64 size = -1;
};

// The decoded picture, or the placeholder when there is none, at `ratio`.
QImage shownPicture(QImage decoded, QStringView glyph, QSize pixels, qreal ratio) {
    if (decoded.isNull()) {
        decoded = placeholderPicture(glyph, pixels);
    }
    decoded.setDevicePixelRatio(ratio);
    return decoded;
}
} // namespace

QSize deviceSize(QSize size, qreal ratio) {
    return (QSizeF(size) * ratio).toSize();
}

QImage PictureFiles::picture(QStringView storedName, QStringView glyph, QSize size, qreal ratio) {
    // The stored names carry a leading backslash as the folder separator.
    const QString name = storedName.mid(storedName.startsWith(u'\\') ? 1 : 0).toString();
    const QSize pixels = deviceSize(size, ratio);
    const PictureFile file(folder + u'/' + name);
    if (file.usable() && file.size > largestRememberedBytes) {
        // Too large to remember, and decoded as it is read, never held whole.
        remembered.remove(name);
        return shownPicture(decodeJpeg(file.fd, pixels), glyph, pixels, ratio);
    }
    const QByteArray bytes = file.usable() ? file.readAll().value_or(QByteArray()) : QByteArray();
    Remembered &entry = remembered[name];
    if (!entry.shown.isNull() && entry.shown.devicePixelRatio() == ratio &&
        entry.shown.deviceIndependentSize() == QSizeF(size) && entry.bytes == bytes) {
        return entry.shown;
    }
    QImage shown = shownPicture(decodeJpeg(bytes, pixels), glyph, pixels, ratio);
    if (bytes.size() <= largestRememberedBytes) {
        entry = {bytes, shown};
    } else {
        remembered.remove(name);
    }
    return shown;
}

QImage placeholderPicture(QStringView glyph, QSize deviceSize) {
    QImage picture(deviceSize, QImage::Format_RGB32);
    picture.fill(QColor(0xEE, 0xEB, 0xE4));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(deviceSize.width(), deviceSize.height());
    painter.setPen(QPen(QColor(0xB8, 0xB2, 0xA6), std::max(1, side / 50)));
    painter.drawRect(
        picture.rect().adjusted(side / 100, side / 100, -side / 100 - 1, -side / 100 - 1));
    painter.setPen(QColor(0x8A, 0x84, 0x78));
    painter.setFont(descriptionFont(Face::PGothic, side / 2));
    painter.drawText(picture.rect(), Qt::AlignCenter, glyph.toString());
    return picture;
}
