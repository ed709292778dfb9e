// Pictures read from the program's folder, and whatever else may stand
// where one is expected. This test has a folder of its own, with its own
// copies to damage.
#include "almanac/cycle_tables.h"
#include "bench/process_memory.h"
#include "picture_files.h"
#include "window_test_support.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <filesystem>
#include <sys/stat.h>

using namespace testing;

namespace {

QString besideProgram(const QString &name) {
    return QCoreApplication::applicationDirPath() + '/' + name;
}

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Clears the way without opening what is there: a FIFO left by a failed
// run must not block this one.
void writePicture(const QString &name, const QByteArray &bytes) {
    std::filesystem::remove_all(besideProgram(name).toStdString());
    QFile file(besideProgram(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray encoded(QSize size, const char *format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

class TestPictures : public WindowTest {
    Q_OBJECT
private slots:
    void init() {
        for (int b = 0; b < 12; ++b) {
            const QString name =
                QString::fromStdU16String(std::u16string(almanac::branch(b).pictureName.substr(1)));
            writePicture(name, fileBytes(QUINDAL_SOURCE_PICTURES "/" + name));
        }
        for (const QString name : {"scene1.jpg", "scene2.jpg"}) {
            writePicture(name, fileBytes(QUINDAL_SOURCE_PICTURES "/" + name));
        }
        open();
    }

    void animalsAndScenes() {
        for (int year = 2016; year < 2028; ++year) {
            typeYear(0, QString::number(year));
            QVERIFY(shows(image, expectedOutputs(0, year).picture));
        }
        QTest::mouseClick(image, Qt::LeftButton);
        QVERIFY(shows(image, "scene1.jpg"));
        QTest::mouseDClick(image, Qt::LeftButton);
        QVERIFY(shows(image, "scene2.jpg"));
        QTest::mouseRelease(image, Qt::LeftButton); // ends the double click: no click
        QTest::mouseClick(image, Qt::RightButton);
        QVERIFY(shows(image, "scene2.jpg"));
        QTest::keyClick(textNen, Qt::Key_Backspace); // the next year brings the animal back
        QVERIFY(shows(image, "uma.jpg"));            // 202 is a 午 year
    }

    // 1980 and 1992 are both 申: the file is read again for the second, and
    // a picture replaced on disk shows at once.
    void sameAnimalIsReadAgain() {
        typeYear(0, "1980");
        writePicture("saru.jpg", fileBytes(besideProgram("tori.jpg")));
        typeYear(0, "1992");
        QVERIFY(shows(image, "tori.jpg"));
    }

    // Whatever stands where a picture is read, a keystroke ends soon, memory
    // stays bounded and the text outputs are written. A valid JPEG is shown
    // whole and the right way up; anything else as the placeholder.
    void anyFile_data() {
        QTest::addColumn<QString>(
            "made"); // made at run time: fifo, a link's target, directory, missing
        QTest::addColumn<QByteArray>("bytes"); // or these bytes
        QTest::addColumn<bool>("whole");
        const auto kept = [](const char *name, bool whole) {
            QTest::newRow(name) << QString() << fileBytes(QUINDAL_TEST_PICTURES "/" + QString(name))
                                << whole;
        };
        for (const char *name :
             {"progressive.jpg", "greyscale.jpg", "cmyk.jpg", "trailer.jpg", "exif-rotated.jpg"}) {
            kept(name, true);
        }
        for (const char *name :
             {"thumbnail-then-truncated.jpg", "many-scans.jpg", "repeated-scans.jpg",
              "bomb-progressive-10000.jpg", "bomb-baseline-10000.jpg", "bomb-baseline-65500.jpg",
              "bomb-cmyk-10000.jpg"}) {
            kept(name, false);
        }
        const QByteArray uma = fileBytes(QUINDAL_SOURCE_PICTURES "/uma.jpg");
        for (const char *made : {"fifo", "/dev/zero", "/dev/urandom", "directory", "missing"}) {
            QTest::newRow(made) << made << QByteArray() << false;
        }
        QTest::newRow("empty") << QString() << QByteArray("") << false;
        QTest::newRow("truncated") << QString() << uma.left(uma.size() / 2) << false;
        QTest::newRow("PNG under a .jpg name") << QString() << encoded({64, 64}, "PNG") << false;
        QTest::newRow("15 x 15") << QString() << encoded({15, 15}, "JPEG") << false;
        QTest::newRow("too large a file")
            << QString() << uma + QByteArray(largestPictureFileBytes, '\0') << false;
    }
    void anyFile() {
        QFETCH(QString, made);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, whole);
        const std::string path = besideProgram("uma.jpg").toStdString();
        typeYear(0, "1980");
        std::filesystem::remove_all(path);
        if (made == "fifo") {
            QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
        } else if (made.startsWith('/')) {
            std::filesystem::create_symlink(made.toStdString(), path);
        } else if (made == "directory") {
            std::filesystem::create_directory(path);
        } else if (made.isEmpty()) {
            writePicture("uma.jpg", bytes);
        }
        const qint64 peakBefore = processMemory("VmHWM");
        QElapsedTimer clock;
        clock.start();
        typeYear(0, "1990"); // 午
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(processMemory("VmHWM") - peakBefore < (100 << 20), "memory peaked 100 MiB higher");
        QCOMPARE(signs(), signs(expectedOutputs(0, 1990)));
        QCOMPARE(age->text(), QString::number(thisYear() - 1990));
        if (whole) {
            const QImage file =
                qtReading(QUINDAL_TEST_PICTURES "/" + QString(QTest::currentDataTag()));
            QVERIFY2(difference(image->picture(), file) < 8,
                     qPrintable(QString::number(difference(image->picture(), file))));
        } else {
            QCOMPARE(image->picture(), placeholderPicture(u"午", image->picture().size()));
        }
        std::filesystem::remove_all(path);
    }

    void unusableScene() {
        std::filesystem::remove_all(besideProgram("scene1.jpg").toStdString());
        writePicture("scene2.jpg", "GIF89a");
        typeYear(0, "1980");
        QTest::mouseClick(image, Qt::LeftButton);
        QCOMPARE(image->picture(), placeholderPicture(u"景", image->picture().size()));
        typeYear(0, "1980");
        QTest::mouseDClick(image, Qt::LeftButton);
        QCOMPARE(image->picture(), placeholderPicture(u"景", image->picture().size()));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
