#include "exif_orientation.h"

namespace {

constexpr std::uint16_t orientationTag = 0x0112;
constexpr std::uint16_t shortType = 3;

// Reads the TIFF block's numbers in its own byte order, bounds-checked.
class TiffReader {
public:
    explicit TiffReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    bool setByteOrder() {
        if (bytes.size() < 8) {
            return false;
        }
        if (bytes[0] == 'I' && bytes[1] == 'I') {
            littleEndian = true;
        } else if (!(bytes[0] == 'M' && bytes[1] == 'M')) {
            return false;
        }
        return read16(2) == 42;
    }
    bool has(std::size_t at, std::size_t count) const {
        return at <= bytes.size() && count <= bytes.size() - at;
    }
    std::uint16_t read16(std::size_t at) const {
        const unsigned a = bytes[at], b = bytes[at + 1];
        return static_cast<std::uint16_t>(littleEndian ? a | b << 8 : a << 8 | b);
    }
    std::uint32_t read32(std::size_t at) const {
        const std::uint32_t a = read16(at), b = read16(at + 2);
        return littleEndian ? a | b << 16 : a << 16 | b;
    }

private:
    std::span<const std::uint8_t> bytes;
    bool littleEndian = false;
};

} // namespace

int exifOrientation(std::span<const std::uint8_t> tiff) {
    TiffReader reader(tiff);
    if (!reader.setByteOrder()) {
        return 1;
    }
    const std::size_t directory = reader.read32(4);
    if (!reader.has(directory, 2)) {
        return 1;
    }
    const std::size_t entries = reader.read16(directory);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (!reader.has(entry, 12)) {
            return 1;
        }
        if (reader.read16(entry) != orientationTag) {
            continue;
        }
        // One SHORT, stored in the first two bytes of the value field.
        const int value = reader.read16(entry + 8);
        const bool valid = reader.read16(entry + 2) == shortType && reader.read32(entry + 4) >= 1 &&
                           value >= 1 && value <= 8;
        return valid ? value : 1;
    }
    return 1;
}
