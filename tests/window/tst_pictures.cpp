// Pictures read from the program's folder, and files that cannot be shown.
// This test lives in a folder of its own, with its own copies to damage.
#include "picture_files.h"
#include "window_test_support.h"

#include <QBuffer>
#include <QFile>

using namespace testing;

namespace {

QByteArray encoded(const QImage &image, const char *format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray sourcePicture(const QString &name) {
    QFile file(QStringLiteral(QUINDAL_SOURCE_PICTURES "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writePicture(const QString &name, const QByteArray &bytes) {
    QFile file(QCoreApplication::applicationDirPath() + '/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Resident memory of this process, in bytes.
qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    return statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(1).toLongLong() * 4096
                                           : 0;
}

} // namespace

class TestPictures : public WindowTest {
    Q_OBJECT
private slots:
    void init() {
        for (const char *name : {"saru", "tori", "inu", "i", "ne", "ushi", "tora", "u", "tatu",
                                 "mi", "uma", "hituji", "scene1", "scene2"}) {
            writePicture(QString(name) + ".jpg", sourcePicture(QString(name) + ".jpg"));
        }
        open();
    }

    void animalsAndScenes() {
        for (int year = 2016; year < 2028; ++year) {
            typeYear(0, QString::number(year));
            QCOMPARE(image->picture(), pictureFile(expectedOutputs(0, year).picture));
        }
        QTest::mouseClick(image, Qt::LeftButton);
        QCOMPARE(image->picture(), pictureFile("scene1.jpg"));
        QTest::mouseDClick(image, Qt::LeftButton);
        QCOMPARE(image->picture(), pictureFile("scene2.jpg"));
        QTest::mouseRelease(image, Qt::LeftButton); // ends the double click: no click
        QTest::mouseClick(image, Qt::RightButton);
        QCOMPARE(image->picture(), pictureFile("scene2.jpg"));
        QTest::keyClick(textNen, Qt::Key_Backspace);        // the next year brings the animal back
        QCOMPARE(image->picture(), pictureFile("uma.jpg")); // 202 is a 午 year
    }

    // 1980 and 1992 are both 申: the file is read again for the second.
    void sameAnimalIsReadAgain() {
        typeYear(0, "1980");
        writePicture("saru.jpg", sourcePicture("tori.jpg"));
        typeYear(0, "1992");
        QCOMPARE(image->picture(), pictureFile("tori.jpg"));
    }

    void unusableFile_data() {
        QTest::addColumn<QByteArray>("content"); // null: the file is missing
        const QByteArray uma = sourcePicture("uma.jpg");
        QImage tiny(1, 1, QImage::Format_RGB32);
        tiny.fill(Qt::red);
        QImage small(16, 16, QImage::Format_RGB32);
        small.fill(Qt::blue);
        QByteArray huge = encoded(small, "JPEG"); // a frame header claiming 30000 x 30000
        const qsizetype sof = huge.indexOf("\xFF\xC0");
        huge.replace(sof + 5, 4, QByteArray("\x75\x30\x75\x30", 4));
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("truncated") << uma.left(uma.size() / 2);
        QTest::newRow("PNG under a .jpg name") << encoded(small, "PNG");
        QTest::newRow("text") << QByteArray("this is not a picture\n");
        QTest::newRow("1 x 1") << encoded(tiny, "JPEG");
        QTest::newRow("header claims 30000 x 30000") << huge;
    }
    void unusableFile() {
        QFETCH(QByteArray, content);
        typeYear(0, "1980");
        if (content.isNull()) {
            QVERIFY(QFile::remove(QCoreApplication::applicationDirPath() + "/uma.jpg"));
        } else {
            writePicture("uma.jpg", content);
        }
        const qint64 before = residentBytes();
        typeYear(0, "1990"); // 午
        QVERIFY2(residentBytes() - before < 16 * 1024 * 1024, "memory grew by 16 MiB or more");
        QCOMPARE(image->picture(), placeholderPicture(u"午"));
        QCOMPARE(signs(), signs(expectedOutputs(0, 1990)));
        QCOMPARE(age->text(), QString::number(thisYear() - 1990));
        typeYear(0, "1992"); // and the window goes on
        QCOMPARE(image->picture(), pictureFile("saru.jpg"));
    }

    void unusableScene() {
        QVERIFY(QFile::remove(QCoreApplication::applicationDirPath() + "/scene1.jpg"));
        writePicture("scene2.jpg", "GIF89a");
        typeYear(0, "1980");
        QTest::mouseClick(image, Qt::LeftButton);
        QCOMPARE(image->picture(), placeholderPicture(u"景"));
        typeYear(0, "1980");
        QTest::mouseDClick(image, Qt::LeftButton);
        QCOMPARE(image->picture(), placeholderPicture(u"景"));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
