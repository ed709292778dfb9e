#pragma once

#include "picture_limits.h"

#include <QByteArrayView>
#include <QImage>
#include <QSize>

// A picture decoded from a JPEG file, or the refusal of one.
struct DecodedPicture {
    QImage image;         // null when refused
    bool byClock = false; // refused only for taking too long: may pass another time
};

// Decodes a complete JPEG to exactly `deviceSize` pixels, stretched to fill
// it, with its EXIF orientation applied. The decoder scales by 1/2, 1/4 or
// 1/8 while it decodes and the rows are shrunk as they come, so a large photo
// costs little more memory than a small one. Gives no image, never part of
// one, for anything that is not a whole, valid JPEG within picture_limits;
// the reason is logged in the category "quindal.pictures".
// A decode that takes longer than `milliseconds` is refused by the clock.
DecodedPicture decodeJpeg(QByteArrayView bytes, QSize deviceSize,
                          int milliseconds = picture_limits::milliseconds);

// The same for an open file of `size` bytes (as fstat reports it), read from
// its start as the decoder goes, never held whole, and no more than
// `mostBytes` of it read (what is left of the file's budget).
DecodedPicture decodeJpeg(int fd, qint64 size, QSize deviceSize,
                          qint64 mostBytes = picture_limits::fileBytes,
                          int milliseconds = picture_limits::milliseconds);
