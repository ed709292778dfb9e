// Pictures read from the program's folder: animals, scenes, and files that
// cannot be shown. This test runs in a folder of its own, with its own copies
// of the pictures, so that it may damage them.
#include "picture_box.h"
#include "picture_files.h"
#include "window_test_support.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

using namespace testing;

namespace {

QString folder() {
    return QCoreApplication::applicationDirPath();
}

QByteArray jpegBytes(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

QByteArray sourcePicture(const QString &name) {
    QFile file(QStringLiteral(QUINDAL_SOURCE_PICTURES) + '/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &name, const QByteArray &bytes) {
    QFile file(folder() + '/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A small, valid JPEG whose frame header claims 30000 x 30000 pixels.
QByteArray hugeHeaderJpeg() {
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::blue);
    QByteArray bytes = jpegBytes(small);
    const qsizetype sof = bytes.indexOf("\xFF\xC0");
    if (sof >= 0) {
        const char side[] = {char(0x75), char(0x30)}; // 30000
        bytes.replace(sof + 5, 2, side, 2);
        bytes.replace(sof + 7, 2, side, 2);
    }
    return bytes;
}

const QStringList allPictures{"saru.jpg", "tori.jpg",   "inu.jpg",    "i.jpg",     "ne.jpg",
                              "ushi.jpg", "tora.jpg",   "u.jpg",      "tatu.jpg",  "mi.jpg",
                              "uma.jpg",  "hituji.jpg", "scene1.jpg", "scene2.jpg"};

} // namespace

class TestPictures : public WindowTest {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { form.reset(); }

    void everyAnimalIsShown();
    void scenesOnClickAndDoubleClick();
    void clickThenDigitBringsTheAnimalBack();
    void sameBranchIsReadAgain();
    void unusablePictureFile_data();
    void unusablePictureFile();
    void unusableSceneFile();

private:
    void typeYear(const QString &year);
    const QImage &shown() const { return image->picture(); }
};

void TestPictures::init() {
    // Fresh, undamaged copies for every test.
    for (const QString &name : allPictures) {
        writeFile(name, sourcePicture(name));
    }
    open();
    list->setCurrentIndex(0);
}

void TestPictures::typeYear(const QString &year) {
    textNen->selectAll();
    QTest::keyClicks(textNen, year);
}

void TestPictures::everyAnimalIsShown() {
    for (int year = 2016; year < 2028; ++year) {
        typeYear(QString::number(year));
        const QImage expected = pictureFile(expectedOutputs(0, year).picture);
        QCOMPARE(expected.size(), QSize(320, 320));
        QCOMPARE(shown(), expected);
    }
}

void TestPictures::scenesOnClickAndDoubleClick() {
    QTest::mouseClick(image, Qt::LeftButton);
    QCOMPARE(shown(), pictureFile("scene1.jpg"));
    QTest::mouseDClick(image, Qt::LeftButton);
    QCOMPARE(shown(), pictureFile("scene2.jpg"));
    // The release that ends the double click is not one more click.
    QTest::mouseRelease(image, Qt::LeftButton);
    QCOMPARE(shown(), pictureFile("scene2.jpg"));
    QTest::mouseClick(image, Qt::RightButton);
    QCOMPARE(shown(), pictureFile("scene2.jpg"));
    QTest::mouseClick(image, Qt::LeftButton);
    QCOMPARE(shown(), pictureFile("scene1.jpg"));
}

void TestPictures::clickThenDigitBringsTheAnimalBack() {
    typeYear("198");
    QTest::mouseClick(control(*form, "Image1"), Qt::LeftButton);
    QCOMPARE(shown(), pictureFile("scene1.jpg"));
    QTest::keyClick(control(*form, "textNen"), '0');
    QCOMPARE(shown(), pictureFile("saru.jpg"));
}

// 1980 and 1992 are both 申: the file is read again for the second year.
void TestPictures::sameBranchIsReadAgain() {
    typeYear("1980");
    QCOMPARE(shown(), pictureFile("saru.jpg"));
    writeFile("saru.jpg", sourcePicture("tori.jpg"));
    typeYear("1992");
    QCOMPARE(shown(), pictureFile("tori.jpg"));
}

void TestPictures::unusablePictureFile_data() {
    QTest::addColumn<QByteArray>("content"); // null: the file is missing
    const QByteArray uma = sourcePicture("uma.jpg");
    QImage tiny(1, 1, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(64, 64, QImage::Format_RGB32).save(&buffer, "PNG");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("truncated") << uma.left(uma.size() / 2);
    QTest::newRow("PNG under a .jpg name") << png;
    QTest::newRow("text") << QByteArray("this is not a picture\n");
    QTest::newRow("1 x 1") << jpegBytes(tiny);
    QTest::newRow("header claims 30000 x 30000") << hugeHeaderJpeg();
}

void TestPictures::unusablePictureFile() {
    QFETCH(QByteArray, content);
    typeYear("1980"); // 申, shown from its file
    if (content.isNull()) {
        QVERIFY(QFile::remove(folder() + "/uma.jpg"));
    } else {
        writeFile("uma.jpg", content);
    }
    const qint64 before = residentBytes();
    typeYear("1990"); // 午
    QVERIFY2(residentBytes() - before < 16 * 1024 * 1024, "memory grew by 16 MiB or more");
    QCOMPARE(shown(), placeholderPicture(u"午"));
    QVERIFY(shown() != pictureFile("saru.jpg"));
    const Outputs o = expectedOutputs(0, 1990);
    QCOMPARE(control<QLabel>(*form, "lbl9sei")->text(), o.star);
    QCOMPARE(control<QLabel>(*form, "lblkana")->text(), o.kana);
    QCOMPARE(control<QLabel>(*form, "lbleto")->text(), o.eto);
    QCOMPARE(control<QLabel>(*form, "lblNen")->text(), o.nen);
    QCOMPARE(age->text(), QString::number(thisYear() - 1990));
    // And the window goes on working.
    typeYear("1992");
    QCOMPARE(shown(), pictureFile("saru.jpg"));
}

void TestPictures::unusableSceneFile() {
    QVERIFY(QFile::remove(folder() + "/scene1.jpg"));
    writeFile("scene2.jpg", "GIF89a");
    typeYear("1980");
    QTest::mouseClick(image, Qt::LeftButton);
    QCOMPARE(shown(), placeholderPicture(u"景"));
    typeYear("1980");
    QTest::mouseDClick(image, Qt::LeftButton);
    QCOMPARE(shown(), placeholderPicture(u"景"));
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
