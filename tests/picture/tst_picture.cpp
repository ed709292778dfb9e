// The picture reader without a window: which files are shown, turned how,
// and why the others are refused.
#include "jpeg_decoder.h"
#include "picture_files.h"
#include "picture_limits.h"

#include <QDataStream>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <sys/mman.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString &name) {
    QFile file(QUINDAL_TEST_PICTURES "/" + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Numbers written in a byte order: big-endian unless told, as JPEG has them.
struct Bytes : QByteArray {
    explicit Bytes(QDataStream::ByteOrder order = QDataStream::BigEndian)
        : out(this, QIODevice::WriteOnly) {
        out.setByteOrder(order);
    }
    template <typename... N> Bytes &put(N... numbers) {
        (out << ... << numbers);
        return *this;
    }
    QDataStream out;
};

QByteArray segment(int marker, const QByteArray &payload) {
    return Bytes().put(quint8(0xFF), quint8(marker), quint16(payload.size() + 2)) + payload;
}

// `segments` placed right after the start-of-image marker of `jpeg`.
QByteArray withSegments(const QByteArray &jpeg, const QByteArray &segments) {
    return jpeg.left(2) + segments + jpeg.mid(2);
}

// An EXIF block whose main directory (IFD0) and thumbnail directory (IFD1)
// record the given orientations (0: none).
QByteArray exif(int main, int thumbnail = 0,
                QDataStream::ByteOrder order = QDataStream::LittleEndian) {
    Bytes tiff(order);
    tiff.out.writeRawData(order == QDataStream::LittleEndian ? "II" : "MM", 2);
    tiff.put(quint16(42), quint32(8));
    const auto directory = [&](int orientation, int next) {
        tiff.put(quint16(orientation ? 1 : 0));
        if (orientation) { // one SHORT: tag, type, count, value
            tiff.put(quint16(0x0112), quint16(3), quint32(1), quint16(orientation), quint16(0));
        }
        tiff.put(quint32(next));
    };
    directory(main, thumbnail ? 14 + (main ? 12 : 0) : 0);
    if (thumbnail) {
        directory(thumbnail, 0);
    }
    return segment(0xE1, QByteArray("Exif\0\0", 6) + tiff);
}

// A flat grey JPEG of any size in little data, built by hand: Huffman tables
// of a single one-bit code each, so that every block (DC difference 0, end
// of block) is two zero bits. `frame` 0xC0 is baseline, 0xC2 progressive;
// a non-interleaved file's first scan holds only its first component.
QByteArray flatJpeg(int width, int height, int components = 1, int frame = 0xC0,
                    bool interleaved = true) {
    Bytes header, scan;
    header.put(quint8(8), quint16(height), quint16(width), quint8(components));
    const int inScan = interleaved ? components : 1;
    scan.put(quint8(inScan));
    for (int c = 1; c <= components; ++c) {
        header.put(quint8(c), quint8(0x11), quint8(0)); // no subsampling, table 0
        if (c <= inScan) {
            scan.put(quint8(c), quint8(0));
        }
    }
    QByteArray jpeg =
        "\xFF\xD8" + segment(0xDB, QByteArray(1, 0) + QByteArray(64, 1)) + segment(frame, header);
    for (const char table : {0x00, 0x10}) { // DC, then AC: one code, for symbol 0
        jpeg += segment(0xC4, table + QByteArray(1, 1) + QByteArray(16, 0));
    }
    jpeg += segment(0xDA, scan + QByteArray("\x00\x3F\x00", 3));
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8) * inScan;
    return jpeg + QByteArray((blocks * 2 + 7) / 8, 0) + "\xFF\xD9";
}

// Which of the four quadrants of tests/pictures' 64 x 64 pictures a colour
// is: red, green, blue or yellow.
char quadrant(QRgb colour) {
    const int r = qRed(colour) > 128, g = qGreen(colour) > 128, b = qBlue(colour) > 128;
    return r && g ? 'Y' : r ? 'R' : g ? 'G' : b ? 'B' : '?';
}

QString corners(const QImage &image) {
    return QString(QChar(quadrant(image.pixel(8, 8)))) +
           QChar(quadrant(image.pixel(image.width() - 8, 8)));
}

// What the reader logs of one decode, for the verdicts' reasons.
QStringList logged;
void keepMessage(QtMsgType, const QMessageLogContext &context, const QString &message) {
    if (QByteArray(context.category) == "quindal.pictures") {
        logged << message;
    }
}

// The verdicts are the file's own; the clock is a backstop for the machine.
// Under the sanitizers, which slow decoding several times over, it is given
// as much more room, so that only a file's limits decide.
#if defined(__SANITIZE_ADDRESS__)
constexpr int clockBackstop = 10 * picture_limits::milliseconds;
#else
constexpr int clockBackstop = picture_limits::milliseconds;
#endif

DecodedPicture decodedAsFile(const QByteArray &bytes, QSize box, qint64 reportedSize = -1) {
    const int fd = ::memfd_create("picture", MFD_CLOEXEC);
    qint64 written = 0;
    while (fd >= 0 && written < bytes.size()) {
        written += ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
    }
    const DecodedPicture decoded = decodeJpeg(fd, reportedSize < 0 ? bytes.size() : reportedSize,
                                              box, picture_limits::fileBytes, clockBackstop);
    ::close(fd);
    return decoded;
}

} // namespace

class TestPicture : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QLoggingCategory::setFilterRules("quindal.pictures=true");
        qInstallMessageHandler(keepMessage);
    }
    void init() { logged.clear(); }

    // The corners of the shown picture: the orientation of IFD0 of the EXIF
    // block, wherever that block stands, and nothing else.
    void orientation_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("corners"); // top left, top right
        const QByteArray base = fileBytes("trailer.jpg");
        const char *expected[] = {"", "RG", "GR", "YB", "BY", "RB", "BR", "YG", "GY"};
        for (int n = 1; n <= 8; ++n) {
            QTest::addRow("orientation %d", n) << withSegments(base, exif(n)) << expected[n];
        }
        QTest::newRow("big-endian 6")
            << withSegments(base, exif(6, 0, QDataStream::BigEndian)) << "BR";
        const QByteArray xmp =
            segment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 40));
        QTest::newRow("XMP before EXIF") << withSegments(base, xmp + exif(6)) << "BR";
        QTest::newRow("only the thumbnail turned") << withSegments(base, exif(0, 6)) << "RG";
        QTest::newRow("a second EXIF block") << withSegments(base, exif(1) + exif(6)) << "RG";
        QTest::newRow("out of range") << withSegments(base, exif(9)) << "RG";
        QTest::newRow("directory past the block")
            << withSegments(base, segment(0xE1, QByteArray("Exif\0\0II*\0\xFF\xFF\0\0", 14)))
            << "RG";
        QByteArray icc; // a phone's profile or depth map after the EXIF block
        for (int i = 0; i < 24; ++i) {
            icc += segment(0xE2, QByteArray("ICC_PROFILE\0", 12) + QByteArray(60000, 'p'));
        }
        QTest::newRow("1.4 MiB of profile after EXIF") << withSegments(base, exif(6) + icc) << "BR";
    }
    void orientation() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, corners);
        for (const DecodedPicture &decoded :
             {decodeJpeg(bytes, QSize(64, 64)), decodedAsFile(bytes, QSize(64, 64))}) {
            QCOMPARE(::corners(decoded.image), corners);
        }
    }

    // Shown or refused from what the file holds, with the reason logged.
    void verdicts_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason"); // empty: shown
        const QByteArray base = fileBytes("trailer.jpg");
        QTest::newRow("40000 empty APP1 segments")
            << withSegments(base, segment(0xE1, {}).repeated(40000)) << "";
        QTest::newRow("EXIF, then 250000 empty comments")
            << withSegments(base, exif(6) + segment(0xFE, {}).repeated(250000)) << "";
        QTest::newRow("YCCK") << fileBytes("ycck.jpg") << "";
        QByteArray corrupt = base; // a marker in the middle of the scan: whole, but damaged
        corrupt.replace(corrupt.indexOf("\xFF\xDA") + 100, 2, "\xFF\xD3");
        QTest::newRow("damaged scan") << corrupt << "Corrupt";
        QTest::newRow("baseline 20000 x 20000") << flatJpeg(20000, 20000) << "";
        QTest::newRow("baseline 33000 x 33000, 17 M blocks") << flatJpeg(33000, 33000) << "blocks";
        QTest::newRow("one scan per component, 4000 x 4000")
            << flatJpeg(4000, 4000, 3, 0xC0, false) << "memory";
        QTest::newRow("progressive over 4 MiB")
            << flatJpeg(16, 16, 1, 0xC2) + QByteArray(picture_limits::multiScanBytes, 0)
            << "larger";
    }
    void verdicts() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        for (const QSize box : {QSize(160, 160), QSize(480, 480)}) {
            logged.clear();
            const DecodedPicture decoded = decodedAsFile(bytes, box);
            QCOMPARE(decoded.image.isNull(), !reason.isEmpty());
            QVERIFY(!decoded.byClock);
            QVERIFY2(reason.isEmpty() || logged.join(' ').contains(reason),
                     qPrintable(logged.join(' ')));
        }
        if (reason.isEmpty()) {
            QCOMPARE(decodedAsFile(bytes, QSize(160, 160)).image.size(), QSize(160, 160));
        }
    }

    // A file that reports less than it holds is still read no further than
    // the size limit.
    void readNoFurtherThanTheLimit() {
        const QByteArray filler = segment(0xFE, QByteArray(60000, 'c'));
        const QByteArray bytes =
            withSegments(fileBytes("trailer.jpg"),
                         filler.repeated(picture_limits::fileBytes / filler.size() + 1));
        QVERIFY(decodedAsFile(bytes, QSize(64, 64), 1 << 20).image.isNull());
        QVERIFY2(logged.join(' ').contains("size limit"), qPrintable(logged.join(' ')));
    }

    // A refusal by the clock alone is not remembered: the same file, at a
    // quieter moment, is decoded and shown.
    void clockRefusalIsTriedAgain() {
        QTemporaryDir folder;
        QFile file(folder.filePath("ne.jpg"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(fileBytes("trailer.jpg")) > 0);
        file.close();
        PictureFiles files(folder.path(), -1); // every decode overruns the clock
        QVERIFY(files.picture("ne.jpg", QSize(160, 160), 1).isNull());
        files.setClockBackstop(picture_limits::milliseconds);
        QCOMPARE(files.picture("ne.jpg", QSize(160, 160), 1).size(), QSize(160, 160));
    }

    // A picture remembered at one pixel ratio is made again at another.
    void rememberedPerRatio() {
        QTemporaryDir folder;
        QFile file(folder.filePath("ne.jpg"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(fileBytes("trailer.jpg")) > 0);
        file.close();
        PictureFiles files(folder.path());
        for (const qreal ratio : {1.0, 2.0, 1.0}) {
            const QImage picture = files.picture("ne.jpg", QSize(160, 160), ratio);
            QCOMPARE(picture.size(), QSize(160, 160) * ratio);
            QCOMPARE(picture.devicePixelRatio(), ratio);
        }
    }
};

QTEST_GUILESS_MAIN(TestPicture)
#include "tst_picture.moc"
