#pragma once

#include <cstdint>
#include <span>

// The orientation (1 to 8) that the main image's directory (IFD0) of an EXIF
// block records, or 1 when it records none or the block is damaged. `tiff`
// is the block after its "Exif\0\0" signature: a TIFF header and its
// directories. The thumbnail's directory (IFD1) describes only the thumbnail
// and is never read.
int exifOrientation(std::span<const std::uint8_t> tiff);
