#include "picture_files.h"

#include "jpeg_decoder.h"
#include "picture_limits.h"
#include "picture_log.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A picture file opened for reading: usable only when it is a regular file
// within the size limit. O_NONBLOCK keeps the open from waiting for a FIFO's
// writer; nothing but a regular file is ever read.
class PictureFile {
public:
    explicit PictureFile(const QString &path)
        : fd(::open(QFile::encodeName(path).constData(),
                    O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {
        struct stat status = {};
        if (fd < 0 || ::fstat(fd, &status) != 0) {
            qCInfo(pictureLog, "%s: cannot be opened", qUtf8Printable(path));
        } else if (!S_ISREG(status.st_mode)) {
            qCInfo(pictureLog, "%s: not a regular file", qUtf8Printable(path));
        } else if (status.st_size > picture_limits::fileBytes) {
            qCInfo(pictureLog, "%s: too large", qUtf8Printable(path));
        } else {
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

    // Its bytes; no value when it cannot be read or holds more than `most`.
    // Every byte read counts in `consumed`, whatever the outcome.
    std::optional<QByteArray> readAll(qint64 most, qint64 &consumed) const {
        // The file may grow after fstat: read one byte past `most` to tell.
        QByteArray bytes(qsizetype(std::min(size, most)) + 1, Qt::Uninitialized);
        qsizetype filled = 0;
        for (;;) {
            if (filled == bytes.size()) {
                if (filled > most) {
                    return std::nullopt;
                }
                bytes.resize(std::min(2 * filled, qsizetype(most) + 1));
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
            consumed += got;
        }
    }

    const int fd;
    qint64 size = -1;
};

QImage atRatio(QImage image, qreal ratio) {
    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace

QSize deviceSize(QSize size, qreal ratio) {
    return (QSizeF(size) * ratio).toSize();
}

QImage PictureFiles::picture(const QString &name, QSize size, qreal ratio) {
    const QSize pixels = deviceSize(size, ratio);
    const PictureFile file(folder + u'/' + name);
    // One budget for the file, whichever way it is read: what a read that
    // found it grown has taken is not read again from a fresh one.
    qint64 consumed = 0;
    const std::optional<QByteArray> read =
        file.usable() && file.size <= picture_limits::rememberedFileBytes
            ? file.readAll(picture_limits::rememberedFileBytes, consumed)
            : std::nullopt;
    if (!read) {
        // Too large to remember, or grown past that while read: decoded as
        // it is read, never held whole.
        remembered.remove(name);
        return file.usable()
                   ? atRatio(decodeJpeg(file.fd, file.size, pixels,
                                        picture_limits::fileBytes - consumed, milliseconds)
                                 .image,
                             ratio)
                   : QImage();
    }
    const QByteArray &bytes = *read;
    Remembered &entry = remembered[name];
    if (entry.ratio == ratio && entry.bytes == bytes && entry.pixels == pixels &&
        !entry.bytes.isNull()) {
        return entry.shown;
    }
    const DecodedPicture decoded = decodeJpeg(bytes, pixels, milliseconds);
    QImage shown = atRatio(decoded.image, ratio);
    // A refusal by the clock alone may not hold at a quieter moment.
    if (!decoded.byClock) {
        entry = {bytes, pixels, ratio, shown};
    } else {
        remembered.remove(name);
    }
    return shown;
}

QImage resourcePicture(const QString &path, QSize size, qreal ratio) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > picture_limits::fileBytes) {
        qCInfo(pictureLog, "%s: cannot be opened", qUtf8Printable(path));
        return {};
    }
    return atRatio(decodeJpeg(file.readAll(), deviceSize(size, ratio)).image, ratio);
}
