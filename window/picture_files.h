#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringView>
#include <optional>

// Files larger than this are not read, whatever size they report.
inline constexpr qint64 largestPictureFileBytes = qint64{32} << 20;

// The picture files in the program's folder, read from disk each time they
// are shown. Only a regular file of at most largestPictureFileBytes is read;
// a missing or unreadable file, a directory, a FIFO or a device shows as no
// picture, and opening never blocks. A small file whose bytes are the same
// as last time is not decoded again: its picture, or its refusal, is
// remembered, one per name. A larger one is decoded as it is read.
class PictureFiles {
public:
    explicit PictureFiles(QString folder) : folder(std::move(folder)) {}

    // The picture to show for the file stored as "\name.jpg", decoded to
    // `size` logical pixels at `ratio` device pixels each; for a file that
    // cannot be shown whole, `glyph` drawn large on a plain ground.
    QImage picture(QStringView storedName, QStringView glyph, QSize size, qreal ratio);

private:
    struct Remembered {
        QByteArray bytes;
        QImage shown;
    };
    QString folder;
    QHash<QString, Remembered> remembered;
};

// What the image box shows when a picture cannot be shown.
QImage placeholderPicture(QStringView glyph, QSize deviceSize);

// `size` logical pixels in device pixels.
QSize deviceSize(QSize size, qreal ratio);
