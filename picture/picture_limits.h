#pragma once

#include <QtGlobal>

// What one picture file may cost. Every verdict but the clock's is taken from
// the file itself, before or while it is decoded, never from how busy the
// machine is, and never from the screen's pixel ratio: a file is shown at
// every scale or at none. A refused file shows exactly like a missing one.
namespace picture_limits {
// Files larger than this are not read, whatever size they report; no more
// than this is ever read from one, even while it grows.
inline constexpr qint64 fileBytes = qint64{32} << 20;
// Files up to this size are read whole and their pictures remembered; a
// larger one is decoded as it is read, never held whole.
inline constexpr qint64 rememberedFileBytes = qint64{1} << 20;
// What a decode may hold: libjpeg's buffers, the rows being shrunk and the
// picture made. A progressive or multi-scan file (one scan per component,
// say) needs every coefficient of the image at once: about 3 bytes a pixel
// with the usual halved colour resolution, 6 with full colour resolution.
inline constexpr qint64 memoryBytes = qint64{64} << 20;
// Part of memoryBytes kept for the picture made at the box's size (up to
// three times 160 pixels square, turned once) and the decoder's small tables,
// so that the file's own verdict does not depend on the screen.
inline constexpr qint64 reservedBytes = qint64{6} << 20;
// Scans of a progressive JPEG: encoders write about ten.
inline constexpr int scans = 64;
// Coefficient blocks decoded, counted over every scan: the decoder's work,
// about 18 ns a block here. A picture has a block for every 64 pixels of
// each component: 1.5 blocks for 64 pixels with the usual halved colour
// resolution, 3 with full, 1 in greyscale. So a baseline photo of up to about
// 700 megapixels is decoded (350 with full colour resolution, 1000 in
// greyscale), in about 0.3 s here: a machine four times slower or busier
// still stays clear of the clock.
inline constexpr qint64 blocks = qint64{16} << 20;
// The data of a progressive or multi-scan file: its decoding takes up to ten
// times as long a byte as a baseline file's, about 60 ns, so 4 MiB take
// about as long as the largest baseline photo.
inline constexpr qint64 multiScanBytes = qint64{4} << 20;
// A backstop for anything the counts above miss, such as a file system that
// delivers the bytes slowly. The counts keep every accepted decode far below
// it.
inline constexpr int milliseconds = 1200;
// Smaller pictures are treated as no picture.
inline constexpr int smallestSide = 16;
} // namespace picture_limits
