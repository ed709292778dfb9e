#include "jpeg_decoder.h"

#include "area_reducer.h"
#include "exif_orientation.h"
#include "picture_limits.h"
#include "picture_log.h"

#include <QElapsedTimer>
#include <QTransform>
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <optional>
#include <unistd.h>
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

Q_LOGGING_CATEGORY(pictureLog, "quindal.pictures", QtWarningMsg)

namespace {

constexpr std::size_t readChunk = std::size_t{64} << 10;
constexpr std::uint8_t exifSignature[] = {'E', 'x', 'i', 'f', 0, 0};

// One decode with libjpeg. libjpeg reports errors by a callback that must not
// return, so the decode escapes with longjmp back into the method that called
// libjpeg. Everything with a destructor is therefore a member, alive before
// and after the jump; the methods that call libjpeg hold only plain locals.
//
// The data reaches libjpeg through a source of our own, which never reads
// past the file size limit. libjpeg skips metadata segments as it meets
// them; APP1 segments go through a reader of our own, which keeps only the
// first EXIF block. Nothing is listed or read twice, so the header costs no
// more than one pass over its bytes, however many segments it has.
class JpegDecode {
public:
    // The data: bytes in memory, or a file read as the decoder goes.
    JpegDecode(QByteArrayView bytes, int milliseconds)
        : bytes(bytes), size(bytes.size()), milliseconds(milliseconds) {
        setUp();
    }
    JpegDecode(int fd, qint64 size, qint64 mostBytes, int milliseconds)
        : fd(fd), size(size), mostBytes(mostBytes), milliseconds(milliseconds) {
        setUp();
    }
    ~JpegDecode() { jpeg_destroy_decompress(&info); }
    JpegDecode(const JpegDecode &) = delete;
    JpegDecode &operator=(const JpegDecode &) = delete;

    // Reads the markers up to the first scan; false when the data is no
    // picture we would show at any size.
    bool readHeader();
    // The orientation its EXIF block records, 1 to 8.
    int orientation() const { return exif.empty() ? 1 : exifOrientation(exif); }
    // Decodes to `size`, within the limits; no image when refused.
    QImage decode(QSize size);

    QString refusal;
    bool byClock = false;

private:
    void setUp();
    [[noreturn]] void refuse(const char *why);
    [[noreturn]] static void escape(j_common_ptr common);
    static void warnOrTrace(j_common_ptr common, int level);
    static void checkProgress(j_common_ptr common);
    static void checkClock(JpegDecode &d);
    static boolean fillInput(j_decompress_ptr info);
    static void skipInput(j_decompress_ptr info, long count);
    static boolean readExif(j_decompress_ptr info);
    static JOCTET nextByte(j_decompress_ptr info);
    static JpegDecode &of(j_common_ptr common) {
        return *static_cast<JpegDecode *>(common->client_data);
    }
    static JpegDecode &of(j_decompress_ptr info) {
        return *static_cast<JpegDecode *>(info->client_data);
    }

    qint64 memoryNeeded() const;
    qint64 bytesConsumed() const {
        return fd < 0 ? qint64(bytes.size()) - qint64(source.bytes_in_buffer)
                      : fileOffset - qint64(source.bytes_in_buffer);
    }
    bool decodeCovering(QSize size);
    void readRows(AreaReducer &shrink);

    QByteArrayView bytes;
    int fd = -1;
    qint64 size; // as the file reported it: it may grow while it is read
    qint64 mostBytes = picture_limits::fileBytes; // read from the file, at most
    int milliseconds = picture_limits::milliseconds;
    qint64 fileOffset = 0;
    std::vector<JOCTET> chunk;

    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    jpeg_source_mgr source{};
    std::jmp_buf escapeTo{};
    QElapsedTimer clock;
    std::vector<std::uint8_t> exif;
    bool multiScan = false;
    int countedScan = 0;
    qint64 blocksDecoded = 0;
    std::vector<JSAMPLE> row;
    std::optional<AreaReducer> reducer;
};

void JpegDecode::setUp() {
    info.client_data = this; // kept by jpeg_create_decompress
    info.err = jpeg_std_error(&errors);
    errors.error_exit = escape;
    errors.emit_message = warnOrTrace;
    progress.progress_monitor = checkProgress;
    source.init_source = [](j_decompress_ptr) {};
    source.fill_input_buffer = fillInput;
    source.skip_input_data = skipInput;
    source.resync_to_restart = jpeg_resync_to_restart;
    source.term_source = [](j_decompress_ptr) {};
    if (fd < 0) {
        source.next_input_byte = reinterpret_cast<const JOCTET *>(bytes.data());
        source.bytes_in_buffer = std::size_t(bytes.size());
    }
}

void JpegDecode::refuse(const char *why) {
    refusal = QString::fromUtf8(why);
    std::longjmp(escapeTo, 1);
}

void JpegDecode::escape(j_common_ptr common) {
    char message[JMSG_LENGTH_MAX] = {};
    common->err->format_message(common, message);
    of(common).refuse(message);
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

void JpegDecode::checkClock(JpegDecode &d) {
    if (d.clock.elapsed() > d.milliseconds) {
        d.byClock = true;
        d.refuse("took longer than the time backstop");
    }
}

// Called before each row of output and each row of input of a multi-scan
// file: counts each scan's blocks once, when the scan begins.
void JpegDecode::checkProgress(j_common_ptr common) {
    JpegDecode &d = of(common);
    if (d.info.input_scan_number > d.countedScan) {
        d.countedScan = d.info.input_scan_number;
        if (d.countedScan > picture_limits::scans) {
            d.refuse("more scans than the limit");
        }
        for (int c = 0; c < d.info.comps_in_scan; ++c) {
            const jpeg_component_info *component = d.info.cur_comp_info[c];
            d.blocksDecoded += qint64{component->width_in_blocks} * component->height_in_blocks;
        }
        if (d.blocksDecoded > picture_limits::blocks) {
            d.refuse("more blocks to decode, over all scans, than the limit");
        }
    }
    if (d.multiScan && d.bytesConsumed() > picture_limits::multiScanBytes) {
        d.refuse("a progressive or multi-scan file with more data than the limit");
    }
    checkClock(d);
}

// The next bytes: in memory, there are no more; from a file, the next chunk,
// as long as the file stays within the size limit.
boolean JpegDecode::fillInput(j_decompress_ptr info) {
    JpegDecode &d = of(info);
    checkClock(d);
    if (d.fd < 0) {
        d.refuse("the data ends before the picture does");
    }
    if (d.fileOffset >= d.mostBytes) {
        d.refuse("the file has grown past the size limit");
    }
    d.chunk.resize(readChunk);
    const auto wanted =
        std::size_t(std::min<qint64>(qint64(readChunk), d.mostBytes - d.fileOffset));
    ssize_t got = 0;
    do {
        got = ::pread(d.fd, d.chunk.data(), wanted, off_t(d.fileOffset));
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        d.refuse(got == 0 ? "the data ends before the picture does" : "the file cannot be read");
    }
    d.fileOffset += got;
    d.source.next_input_byte = d.chunk.data();
    d.source.bytes_in_buffer = std::size_t(got);
    return TRUE;
}

void JpegDecode::skipInput(j_decompress_ptr info, long count) {
    jpeg_source_mgr &source = *info->src;
    auto left = std::size_t(std::max(count, 0L));
    while (left > source.bytes_in_buffer) {
        left -= source.bytes_in_buffer;
        source.bytes_in_buffer = 0;
        fillInput(info);
    }
    source.next_input_byte += left;
    source.bytes_in_buffer -= left;
}

JOCTET JpegDecode::nextByte(j_decompress_ptr info) {
    if (info->src->bytes_in_buffer == 0) {
        fillInput(info);
    }
    --info->src->bytes_in_buffer;
    return *info->src->next_input_byte++;
}

// An APP1 segment (EXIF, XMP and its extension): skipped unless it is the
// first EXIF block.
boolean JpegDecode::readExif(j_decompress_ptr info) {
    JpegDecode &d = of(info);
    const int high = nextByte(info);
    long length = (high << 8 | nextByte(info)) - 2;
    if (length < 0) {
        d.refuse("a metadata segment with an impossible length");
    }
    if (d.exif.empty() && std::cmp_greater(length, sizeof exifSignature)) {
        std::uint8_t signature[sizeof exifSignature];
        for (std::uint8_t &byte : signature) {
            byte = nextByte(info);
        }
        length -= long(sizeof exifSignature);
        if (std::equal(std::begin(signature), std::end(signature), exifSignature)) {
            d.exif.resize(std::size_t(length));
            for (std::uint8_t &byte : d.exif) {
                byte = nextByte(info);
            }
            length = 0;
        }
    }
    skipInput(info, length);
    return TRUE;
}

bool JpegDecode::readHeader() {
    if (setjmp(escapeTo)) {
        return false;
    }
    clock.start();
    jpeg_create_decompress(&info);
    info.src = &source;
    info.progress = &progress;
    info.mem->max_memory_to_use = picture_limits::memoryBytes - picture_limits::reservedBytes;
    jpeg_set_marker_processor(&info, JPEG_APP0 + 1, readExif);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        refusal = QStringLiteral("no picture in the data");
        return false;
    }
    if (info.image_width < picture_limits::smallestSide ||
        info.image_height < picture_limits::smallestSide) {
        refusal = QStringLiteral("smaller than the smallest picture shown");
        return false;
    }
    multiScan = jpeg_has_multiple_scans(&info);
    qint64 blocks = 0;
    for (int c = 0; c < info.num_components; ++c) {
        blocks += qint64{info.comp_info[c].width_in_blocks} * info.comp_info[c].height_in_blocks;
    }
    if (blocks > picture_limits::blocks) {
        refusal = QStringLiteral("more blocks to decode than the limit");
        return false;
    }
    if (multiScan && size > picture_limits::multiScanBytes) {
        refusal = QStringLiteral("a progressive or multi-scan file larger than the limit");
        return false;
    }
    if (memoryNeeded() > picture_limits::memoryBytes - picture_limits::reservedBytes) {
        refusal = QStringLiteral("needs more memory than the limit: %1 MiB")
                      .arg(double(memoryNeeded()) / (1 << 20), 0, 'f', 1);
        return false;
    }
    return true;
}

// What the decoder holds, at most, whatever the scale it decodes at: for a
// progressive or multi-scan file every coefficient of the image, kept until
// the last scan; and the rows it works on, bounded here by their size
// unscaled (for each component a group of block rows with the rows around
// it, then the colour rows and the row we shrink).
qint64 JpegDecode::memoryNeeded() const {
    qint64 needed = qint64{info.image_width} * 4 * (info.max_v_samp_factor + 2);
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info &component = info.comp_info[c];
        const auto roundUp = [](qint64 value, qint64 step) {
            return (value + step - 1) / step * step;
        };
        if (multiScan) {
            needed += roundUp(component.width_in_blocks, component.h_samp_factor) *
                      roundUp(component.height_in_blocks, component.v_samp_factor) *
                      qint64{sizeof(JBLOCK)};
        }
        needed +=
            qint64{component.width_in_blocks} * DCTSIZE * component.v_samp_factor * DCTSIZE * 3;
    }
    return needed;
}

QImage JpegDecode::decode(QSize size) {
    if (!decodeCovering(size) || !reducer) {
        return {};
    }
    QImage image = reducer->image();
    if (image.size() != size) { // a picture smaller than the box is enlarged
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

// Decodes at the smallest of libjpeg's scales (n/8) that gives at least two
// pixels for each of `size` where the picture allows, shrinking each row as
// it comes: averaging two or more pixels into one keeps fine detail as a
// plain scaling of the whole picture would.
bool JpegDecode::decodeCovering(QSize size) {
    if (setjmp(escapeTo)) {
        return false;
    }
    // CMYK cannot be converted to RGB by libjpeg: it is converted row by row here.
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA; // BGRA is RGB32's byte order
    info.scale_denom = 8;
    for (info.scale_num = 1; info.scale_num < 8; ++info.scale_num) {
        jpeg_calc_output_dimensions(&info);
        if (int(info.output_width) >= 2 * size.width() &&
            int(info.output_height) >= 2 * size.height()) {
            break;
        }
    }
    jpeg_start_decompress(&info);
    row.resize(std::size_t{info.output_width} * 4);
    readRows(reducer.emplace(QSize(int(info.output_width), int(info.output_height)), size));
    jpeg_finish_decompress(&info); // reads on to the end marker, warning of anything amiss
    return true;
}

void JpegDecode::readRows(AreaReducer &shrink) {
    const bool cmyk = info.out_color_space == JCS_CMYK;
    // Adobe's CMYK files, nearly all there are, store the inks inverted.
    const bool inverted = info.saw_Adobe_marker;
    auto *pixels = reinterpret_cast<QRgb *>(row.data());
    while (info.output_scanline < info.output_height) {
        JSAMPROW samples = row.data();
        jpeg_read_scanlines(&info, &samples, 1);
        if (cmyk) { // in place: each pixel's four inks become its colour
            for (JDIMENSION x = 0; x < info.output_width; ++x) {
                const JSAMPLE *ink = samples + std::size_t{x} * 4;
                const int black = inverted ? ink[3] : 255 - ink[3];
                const auto channel = [&](int i) {
                    return (inverted ? ink[i] : 255 - ink[i]) * black / 255;
                };
                pixels[x] = qRgb(channel(0), channel(1), channel(2));
            }
        }
        shrink.addRow(pixels);
    }
}

// EXIF orientations 1 to 8 as a mirroring, then a quarter turn clockwise or
// none.
QImage oriented(QImage image, int orientation) {
    struct Turn {
        bool mirror, flip, quarter;
    };
    constexpr Turn turns[9] = {{},
                               {false, false, false},
                               {true, false, false},
                               {true, true, false},
                               {false, true, false},
                               {false, true, true},
                               {false, false, true},
                               {true, false, true},
                               {true, true, true}};
    const Turn turn = turns[orientation];
    if (turn.mirror || turn.flip) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0) // mirrored() is deprecated from then on
        image = std::move(image).flipped((turn.mirror ? Qt::Horizontal : Qt::Orientations()) |
                                         (turn.flip ? Qt::Vertical : Qt::Orientations()));
#else
        image = std::move(image).mirrored(turn.mirror, turn.flip);
#endif
    }
    if (turn.quarter) {
        image = image.transformed(QTransform().rotate(90));
    }
    return image;
}

DecodedPicture decodeWith(JpegDecode &decode, QSize deviceSize) {
    QImage image;
    if (decode.readHeader()) {
        const int orientation = decode.orientation();
        const bool quarterTurn = orientation >= 5;
        image = decode.decode(quarterTurn ? deviceSize.transposed() : deviceSize);
        if (!image.isNull()) {
            image = oriented(std::move(image), orientation);
        }
    }
    if (image.isNull()) {
        qCInfo(pictureLog, "refused: %s", qUtf8Printable(decode.refusal));
    }
    return {image, decode.byClock};
}

} // namespace

DecodedPicture decodeJpeg(QByteArrayView bytes, QSize deviceSize, int milliseconds) {
    JpegDecode decode(bytes, milliseconds);
    return decodeWith(decode, deviceSize);
}

DecodedPicture decodeJpeg(int fd, qint64 size, QSize deviceSize, qint64 mostBytes,
                          int milliseconds) {
    JpegDecode decode(fd, size, mostBytes, milliseconds);
    return decodeWith(decode, deviceSize);
}
