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

class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    const int fd;
};
} // namespace

std::optional<QByteArray> readPictureFile(const QString &path) {
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer.
    const Descriptor file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat status {};
    if (file.fd < 0 || ::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size > largestPictureFileBytes) {
        return std::nullopt;
    }
    // The file may grow after fstat: read one byte past the limit to tell.
    QByteArray bytes(qsizetype(status.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > largestPictureFileBytes) {
                return std::nullopt;
            }
            bytes.resize(std::min(2 * filled, largestPictureFileBytes + 1));
        }
        const ssize_t got = ::read(file.fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

QSize deviceSize(QSize size, qreal ratio) {
    return (QSizeF(size) * ratio).toSize();
}

QImage PictureFiles::picture(QStringView storedName, QStringView glyph, QSize size, qreal ratio) {
    // The stored names carry a leading backslash as the folder separator.
    const QString name = storedName.mid(storedName.startsWith(u'\\') ? 1 : 0).toString();
    const QByteArray bytes = readPictureFile(folder + u'/' + name).value_or(QByteArray());
    Remembered &entry = remembered[name];
    if (!entry.shown.isNull() && entry.shown.devicePixelRatio() == ratio &&
        entry.shown.deviceIndependentSize() == QSizeF(size) && entry.bytes == bytes) {
        return entry.shown;
    }
    const QSize pixels = deviceSize(size, ratio);
    QImage shown = decodeJpeg(bytes, pixels);
    if (shown.isNull()) {
        shown = placeholderPicture(glyph, pixels);
    }
    shown.setDevicePixelRatio(ratio);
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
