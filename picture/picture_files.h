#pragma once

#include "picture_limits.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringView>

// The picture files in the program's folder, read from disk each time they
// are shown. Only a regular file within picture_limits::fileBytes is read; a
// missing or unreadable file, a directory, a FIFO or a device gives no
// picture. A small file whose bytes are the same as last time is not decoded
// again: its picture, or its refusal, is remembered, one per name and pixel
// ratio. A larger one is decoded as it is read.
//
// The files are read on the caller's thread: opening does not wait for a
// FIFO's writer, but a file system that is slow to answer (a network or FUSE
// mount) can make the open or a read wait, so the window reads them through
// a PictureLoader. No more than picture_limits::fileBytes is read from one
// file for one picture, whichever way it is read.
class PictureFiles {
public:
    // `milliseconds`: the decoder's clock backstop.
    explicit PictureFiles(QString folder, int milliseconds = picture_limits::milliseconds)
        : folder(std::move(folder)), milliseconds(milliseconds) {}

    // The picture of the file `name` (such as "ne.jpg"), decoded to `size`
    // logical pixels at `ratio` device pixels each; a null image for a file
    // that cannot be shown whole.
    QImage picture(const QString &name, QSize size, qreal ratio);
    // Tests shorten or restore the clock backstop of later decodes.
    void setClockBackstop(int decodeMilliseconds) { milliseconds = decodeMilliseconds; }

private:
    struct Remembered {
        QByteArray bytes;
        QSize pixels;
        qreal ratio = 0;
        QImage shown; // null: refused
    };
    QString folder;
    int milliseconds;
    QHash<QString, Remembered> remembered;
};

// The same for a picture compiled into the program (a Qt resource path).
QImage resourcePicture(const QString &path, QSize size, qreal ratio);

// `size` logical pixels in device pixels.
QSize deviceSize(QSize size, qreal ratio);
