#include "jpeg_decoder.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <unistd.h>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// One decode with libjpeg. libjpeg reports errors by a callback that must not
// return, so the decode escapes with longjmp back into the method that called
// libjpeg. Everything with a destructor is therefore a member, alive before
// and after the jump; the methods that call libjpeg hold only plain locals.
class JpegDecode {
public:
    // The data: bytes in memory, or a stream read as the decoder goes.
    explicit JpegDecode(const QByteArray &bytes) : bytes(&bytes) { setUp(); }
    explicit JpegDecode(std::FILE *stream) : stream(stream) { setUp(); }
    ~JpegDecode() {
        jpeg_destroy_decompress(&info);
        if (stream) {
            std::fclose(stream);
        }
    }
    JpegDecode(const JpegDecode &) = delete;
    JpegDecode &operator=(const JpegDecode &) = delete;

    // Reads the markers up to the first scan; false when the data is no
    // picture we would show at any size.
    bool readHeader();
    // Whether the header carries an EXIF block, which may hold an orientation.
    bool hasExif() const;
    // Decodes at the smallest of libjpeg's scales (n/8) that still covers
    // `size`, within the limits; false, and no image, when refused.
    bool decodeCovering(QSize size);

    QImage decoded;

private:
    void setUp() {
        info.client_data = this; // kept by jpeg_create_decompress
        info.err = jpeg_std_error(&errors);
        errors.error_exit = escape;
        errors.emit_message = warnOrTrace;
        progress.progress_monitor = checkProgress;
    }
    [[noreturn]] static void escape(j_common_ptr common);
    static void warnOrTrace(j_common_ptr common, int level);
    static void checkProgress(j_common_ptr common);
    static JpegDecode &of(j_common_ptr common) {
        return *static_cast<JpegDecode *>(common->client_data);
    }

    bool withinMemory() const;
    void readRows();

    const QByteArray *bytes = nullptr;
    std::FILE *stream = nullptr;
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf escapeTo{};
    QElapsedTimer clock;
    qint64 blocks = 0; // coefficient blocks of the whole image, all components
    std::vector<JSAMPLE> cmykRow;
};

void JpegDecode::escape(j_common_ptr common) {
    std::longjmp(of(common).escapeTo, 1);
}

// Warnings are the decoder's verdict on the data: premature end, corrupt or
// missing entropy data, an inconsistent progression. Any of them means the
// picture cannot be shown whole. Three concern only metadata and are let
// through; trace messages are ignored.
void JpegDecode::warnOrTrace(j_common_ptr common, int level) {
    if (level >= 0) {
        return;
    }
    switch (common->err->msg_code) {
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC: return;
    default: escape(common);
    }
}

void JpegDecode::checkProgress(j_common_ptr common) {
    JpegDecode &d = of(common);
    const qint64 scans = d.info.input_scan_number;
    if (scans > jpeg_limits::scans || scans * d.blocks > jpeg_limits::blockScans ||
        d.clock.elapsed() > jpeg_limits::milliseconds) {
        escape(common);
    }
}

bool JpegDecode::readHeader() {
    if (setjmp(escapeTo)) {
        return false;
    }
    clock.start();
    jpeg_create_decompress(&info);
    info.progress = &progress;
    info.mem->max_memory_to_use = jpeg_limits::memoryBytes;
    jpeg_save_markers(&info, JPEG_APP0 + 1, 6); // enough to recognise "Exif\0\0"
    if (stream) {
        jpeg_stdio_src(&info, stream);
    } else {
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes->constData()),
                     static_cast<unsigned long>(bytes->size()));
    }
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    for (int c = 0; c < info.num_components; ++c) {
        blocks += qint64{info.comp_info[c].width_in_blocks} * info.comp_info[c].height_in_blocks;
    }
    return info.image_width >= jpeg_limits::smallestSide &&
           info.image_height >= jpeg_limits::smallestSide;
}

bool JpegDecode::hasExif() const {
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::equal(m->data, m->data + 6, "Exif\0\0")) {
            return true;
        }
    }
    return false;
}

// Judged before any pixel is decoded: the decoded image, and for a
// progressive or multi-scan file the coefficients of the whole image, which
// the decoder must hold until the last scan.
bool JpegDecode::withinMemory() const {
    const qint64 image = qint64{info.output_width} * info.output_height * 4;
    const qint64 coefficients =
        jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&info)) ? blocks * DCTSIZE2 * 2 : 0;
    return image + coefficients <= jpeg_limits::memoryBytes;
}

bool JpegDecode::decodeCovering(QSize size) {
    if (setjmp(escapeTo)) {
        decoded = QImage();
        return false;
    }
    // CMYK cannot be converted to RGB by libjpeg: it is converted row by row here.
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA; // BGRA is RGB32's byte order
    info.scale_denom = 8;
    for (info.scale_num = 1; info.scale_num < 8; ++info.scale_num) {
        jpeg_calc_output_dimensions(&info);
        if (int(info.output_width) >= size.width() && int(info.output_height) >= size.height()) {
            break;
        }
    }
    jpeg_calc_output_dimensions(&info);
    if (!withinMemory()) {
        return false;
    }
    jpeg_start_decompress(&info);
    decoded = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    if (decoded.isNull()) {
        return false;
    }
    if (cmyk) {
        cmykRow.resize(std::size_t{info.output_width} * 4);
    }
    readRows();
    jpeg_finish_decompress(&info); // reads on to the end marker, warning of anything amiss
    return true;
}

void JpegDecode::readRows() {
    const bool cmyk = info.out_color_space == JCS_CMYK;
    // Adobe's CMYK files, nearly all there are, store the inks inverted.
    const bool inverted = info.saw_Adobe_marker;
    while (info.output_scanline < info.output_height) {
        auto *line = reinterpret_cast<QRgb *>(decoded.scanLine(int(info.output_scanline)));
        JSAMPROW row = cmyk ? cmykRow.data() : reinterpret_cast<JSAMPROW>(line);
        jpeg_read_scanlines(&info, &row, 1);
        if (!cmyk) {
            continue;
        }
        for (JDIMENSION x = 0; x < info.output_width; ++x) {
            const JSAMPLE *ink = row + std::size_t{x} * 4;
            const auto channel = [&](int i) {
                const int value = inverted ? ink[i] : 255 - ink[i];
                const int black = inverted ? ink[3] : 255 - ink[3];
                return value * black / 255;
            };
            line[x] = qRgb(channel(0), channel(1), channel(2));
        }
    }
}

// The orientation in the file's EXIF block, as Qt reads it.
QImageIOHandler::Transformations exifOrientation(const QByteArray &bytes) {
    QByteArray copy = bytes; // shared, not copied
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    return reader.transformation();
}

// Mirroring first, then a quarter turn clockwise: how EXIF orientations
// compose.
QImage oriented(QImage image, QImageIOHandler::Transformations t) {
    if (t & (QImageIOHandler::TransformationMirror | QImageIOHandler::TransformationFlip)) {
        image = std::move(image).mirrored(t & QImageIOHandler::TransformationMirror,
                                          t & QImageIOHandler::TransformationFlip);
    }
    if (t & QImageIOHandler::TransformationRotate90) {
        image = image.transformed(QTransform().rotate(90));
    }
    return image;
}

} // namespace

namespace {
// The decode after the header: at the size that covers the box, turned as
// the EXIF block (in `head`, the file's first bytes) says.
QImage decodeOriented(JpegDecode &decode, const QByteArray &head, QSize deviceSize) {
    if (!decode.readHeader()) {
        return {};
    }
    const auto orientation =
        decode.hasExif() ? exifOrientation(head) : QImageIOHandler::TransformationNone;
    const bool quarterTurn = orientation & QImageIOHandler::TransformationRotate90;
    const QSize stored = quarterTurn ? deviceSize.transposed() : deviceSize;
    if (!decode.decodeCovering(stored)) {
        return {};
    }
    QImage image = std::move(decode.decoded);
    if (image.size() != stored) {
        image = image.scaled(stored, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return oriented(std::move(image), orientation);
}
} // namespace

QImage decodeJpeg(const QByteArray &bytes, QSize deviceSize) {
    JpegDecode decode(bytes);
    return decodeOriented(decode, bytes, deviceSize);
}

QImage decodeJpeg(int fd, QSize deviceSize) {
    // The EXIF block sits at the start of a file, within its first markers.
    QByteArray head(qsizetype{256} << 10, Qt::Uninitialized);
    head.truncate(std::max<qsizetype>(0, ::pread(fd, head.data(), size_t(head.size()), 0)));
    const int own = ::dup(fd);
    std::FILE *stream = own < 0 ? nullptr : ::fdopen(own, "rb");
    if (!stream) {
        if (own >= 0) {
            ::close(own);
        }
        return {};
    }
    if (std::fseek(stream, 0, SEEK_SET) != 0) {
        std::fclose(stream);
        return {};
    }
    JpegDecode decode(stream);
    return decodeOriented(decode, head, deviceSize);
}
