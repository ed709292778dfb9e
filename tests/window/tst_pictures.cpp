// Pictures read from the program's folder, and whatever else may stand
// where one is expected. This test has a folder of its own, with its own
// copies to damage.
#include "picture_limits.h"
#include "process_memory.h"
#include "program_files.h"
#include "window_test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <filesystem>
#include <sys/stat.h>

using namespace testing;

namespace {

// Clears the way without opening what is there: a FIFO left by a failed
// run must not block this one.
void writePicture(const QString &name, const QByteArray &bytes) {
    std::filesystem::remove_all(besideProgram(name).toStdString());
    QFile file(besideProgram(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestPictures : public WindowTest {
    Q_OBJECT
    // The placeholder of `glyph`, drawn at another moment: glyphs may be
    // smoothed a shade differently.
    bool showsPlaceholder(QStringView glyph) const {
        return difference(image->picture(), placeholderPicture(glyph, image->size())) < 1;
    }

private slots:
    void init() { // fresh copies of the shipped pictures
        for (const QString &name : QDir(QUINDAL_SOURCE_PICTURES).entryList({"*.jpg"})) {
            writePicture(name, fileBytes(QUINDAL_SOURCE_PICTURES "/" + name));
        }
        open();
    }

    // A scene that cannot be shown gives the placeholder of scenes.
    void missingScene() {
        std::filesystem::remove_all(besideProgram("scene1.jpg").toStdString());
        QTest::mouseClick(image, Qt::LeftButton);
        awaitPicture();
        QVERIFY(showsPlaceholder(u"景"));
    }

    // 1980 and 1992 are both 申: the file is read again for the second, and
    // a picture replaced on disk shows at once.
    void sameAnimalIsReadAgain() {
        typeYear(0, "1980");
        writePicture("saru.jpg", fileBytes(besideProgram("tori.jpg")));
        typeYear(0, "1992");
        QVERIFY(shows(image, "tori.jpg"));
    }

    // From a local disk a picture comes with its keystroke's results, with
    // no placeholder between: nearly always, on a machine busy with other
    // tests as well.
    void pictureWithItsKeystroke() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizers slow the reader past the window's wait");
#endif
        int withTheirKeystroke = 0;
        for (int year = 1990; year < 2000; ++year) {
            list->setCurrentIndex(0);
            QTest::mouseClick(textNen, Qt::LeftButton);
            QTest::keyClicks(textNen, QString::number(year));
            const QString file = expectedOutputs(0, year).picture;
            withTheirKeystroke += shows(image, file) ? 1 : 0;
            awaitPicture();
            QVERIFY2(shows(image, file), qPrintable(file));
        }
        QVERIFY2(withTheirKeystroke >= 8, qPrintable(QString::number(withTheirKeystroke)));
    }

    // Whatever stands where a picture is read, a keystroke ends soon, memory
    // stays bounded and the text outputs are written. A valid JPEG is shown
    // whole and the right way up; anything else as the placeholder.
    void anyFile_data() {
        QTest::addColumn<QString>(
            "made"); // made at run time: fifo, a link's target, directory, missing
        QTest::addColumn<QByteArray>("bytes"); // or these bytes
        QTest::addColumn<bool>("whole");
        // Odd files kept in tests/pictures, shown whole or refused (the
        // reader's own test covers orientations and limits).
        for (const auto &[name, whole] : std::initializer_list<std::pair<const char *, bool>>{
                 {"progressive.jpg", true},
                 {"greyscale.jpg", true},
                 {"cmyk.jpg", true},
                 {"ycck.jpg", true},
                 {"trailer.jpg", true},
                 {"thumbnail-then-truncated.jpg", false},
                 {"many-scans.jpg", false},
                 {"repeated-scans.jpg", false},
                 {"png-named-jpg.jpg", false},
                 {"15x15.jpg", false}}) {
            QTest::newRow(name) << QString() << fileBytes(QUINDAL_TEST_PICTURES "/" + QString(name))
                                << whole;
        }
        for (const char *made : {"fifo", "/dev/zero", "/dev/urandom", "directory", "missing"}) {
            QTest::newRow(made) << made << QByteArray() << false;
        }
        const QByteArray uma = fileBytes(QUINDAL_SOURCE_PICTURES "/uma.jpg");
        QTest::newRow("empty") << QString() << QByteArray("") << false;
        QTest::newRow("truncated") << QString() << uma.left(uma.size() / 2) << false;
        // Over 1 MiB, with 1.1 MiB of comments before the picture: decoded as it is read.
        const QByteArray comment = "\xFF\xFE\xEA\x62" + QByteArray(60000, 'c');
        QTest::newRow("large, read as decoded")
            << QString() << uma.left(2) + comment.repeated(20) + uma.mid(2) << true;
        QTest::newRow("too large a file")
            << QString() << uma + QByteArray(picture_limits::fileBytes, '\0') << false;
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
        QCOMPARE(signs(), expectedOutputs(0, 1990).signs());
        QCOMPARE(age->text(), QString::number(thisYear() - 1990));
        if (whole) {
            const QImage file = qtReading(besideProgram("uma.jpg"));
            QVERIFY2(difference(image->picture(), file) < 8,
                     qPrintable(QString::number(difference(image->picture(), file))));
        } else {
            QVERIFY(showsPlaceholder(u"午"));
        }
        std::filesystem::remove_all(path);
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
