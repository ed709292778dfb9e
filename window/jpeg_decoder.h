#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// What one picture may cost to decode. A file that would need more is
// refused before its decode starts, or stopped during it; a refused file
// shows exactly like a missing one.
namespace jpeg_limits {
// The decoder's whole-image buffers plus the decoded image: a progressive or
// multi-scan JPEG keeps every coefficient of the image in memory (about
// 2 bytes a pixel with the usual halved colour resolution, 6 with full), so
// progressive photos above about 20 megapixels are refused. A baseline photo
// of any size is decoded at up to 1/8 scale and needs little.
inline constexpr qint64 memoryBytes = qint64{64} << 20;
// Scans of a progressive JPEG: encoders write about ten; every scan costs a
// pass over the whole image, so thousands of them stall a decode.
inline constexpr int scans = 64;
// Coefficient blocks times scans: bounds the work of a legal but costly
// progression, so that whether a valid photo is shown does not depend on how
// busy the machine is.
inline constexpr qint64 blockScans = qint64{24} << 20;
// With the file size limit (32 MiB of entropy-coded data, about 0.4 s at
// most), the counts above keep an accepted decode within about 250 ms here.
// The clock is a backstop for anything they miss, set well above that, so
// that a busy machine does not refuse a valid photo.
inline constexpr int milliseconds = 1000;
// Smaller pictures are treated as no picture.
inline constexpr int smallestSide = 16;
} // namespace jpeg_limits

// Decodes a complete JPEG to exactly `deviceSize` pixels, stretched to fill
// it, with its EXIF orientation applied. The decoder scales by 1/2, 1/4 or
// 1/8 while it decodes, so a large photo costs little more than a small one.
// Gives a null image, never part of one, for anything that is not a whole,
// valid JPEG within the limits above.
QImage decodeJpeg(const QByteArray &bytes, QSize deviceSize);

// The same for an open file, read as the decoder goes rather than held whole
// in memory.
QImage decodeJpeg(int fd, QSize deviceSize);
