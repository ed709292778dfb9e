// Fuzzes the picture reader as image libraries fuzz theirs: any bytes in, a
// whole picture of the asked size or a refusal out, within the decoder's
// time and memory bounds (libFuzzer's -timeout and -malloc_limit_mb hold it
// to them). The EXIF reader gets the bytes both inside a JPEG and bare.
#include "exif_orientation.h"
#include "jpeg_decoder.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const int orientation = exifOrientation({data, size});
    if (orientation < 1 || orientation > 8) {
        std::abort();
    }
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    // The same bytes as a file read while decoding, as a large picture is.
    const int file = ::memfd_create("picture", MFD_CLOEXEC);
    if (file < 0 || ::write(file, data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    for (const QSize box : {QSize(160, 160), QSize(320, 320)}) {
        for (const QImage &picture :
             {decodeJpeg(bytes, box).image, decodeJpeg(file, bytes.size(), box).image}) {
            if (!picture.isNull() && picture.size() != box) {
                std::abort(); // a picture is always made at the size asked for
            }
        }
    }
    ::close(file);
    return 0;
}
