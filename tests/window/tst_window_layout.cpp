// The window as it opens: controls, geometry, texts, fonts, colours, pictures.
#include "picture_box.h"
#include "window_test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>

using namespace testing;

class TestWindowLayout : public WindowTest {
    Q_OBJECT
private slots:
    void init() { open(); }
    void cleanup() { form.reset(); }

    void windowFrame();
    void geometry_data();
    void geometry();
    void startState();
    void fonts_data();
    void fonts();
    void colours_data();
    void colours();
    void startPictureAndIcon();
    void textBoxesTakeFourCharacters_data();
    void textBoxesTakeFourCharacters();
    void eraListCannotBeTypedInto();
};

void TestWindowLayout::windowFrame() {
    QCOMPARE(form->windowTitle(), "Quindal");
    QCOMPARE(form->size(), QSize(416, 292));
    QCOMPARE(form->minimumSize(), form->maximumSize()); // cannot be resized
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form->findChildren<QWidget *>().size() >= 20, true);
}

void TestWindowLayout::geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    auto row = [](const char *name, const char *container, int l, int t, int w, int h) {
        QTest::newRow(name) << name << container << QRect(l, t, w, h);
    };
    row("cboGengo", "Form1", 480, 240, 890, 375);
    row("Frame1", "Form1", 360, 1560, 2655, 2535);
    row("textShitei", "Frame1", 1080, 1200, 975, 450);
    row("Option2", "Frame1", 240, 840, 1815, 315);
    row("Option1", "Frame1", 240, 360, 1935, 345);
    row("Label11", "Frame1", 2160, 2040, 255, 255);
    row("lblnenrei", "Frame1", 1080, 1920, 975, 375);
    row("Label13", "Frame1", 2160, 1320, 375, 375);
    row("Label12", "Frame1", 480, 1320, 615, 375);
    row("textNen", "Form1", 1440, 240, 975, 375);
    row("Label3", "Form1", 2520, 1050, 495, 375);
    row("lblNen", "Form1", 1440, 995, 975, 340);
    row("lblGengo", "Form1", 840, 1050, 615, 375);
    row("Image1", "Form1", 3480, 1680, 2400, 2400);
    row("lblkana", "Form1", 3840, 720, 1695, 255);
    row("Label8", "Form1", 3360, 1080, 375, 255);
    row("Label7", "Form1", 3360, 360, 375, 255);
    row("lbleto", "Form1", 3840, 960, 1695, 375);
    row("lbl9sei", "Form1", 3840, 240, 1695, 375);
    row("Label4", "Form1", 2520, 350, 495, 375);
}

void TestWindowLayout::geometry() {
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    QWidget *widget = control(*form, qPrintable(name));
    QWidget *expectedParent = container == "Form1" ? form.get() : control(*form, "Frame1");
    QCOMPARE(widget->parentWidget(), expectedParent);
    const auto px = [](int t) { return qRound(t / 15.0); };
    QCOMPARE(widget->geometry(),
             QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
}

void TestWindowLayout::startState() {
    auto *list = control<QComboBox>(*form, "cboGengo");
    QCOMPARE(list->count(), 6);
    const QStringList entries{"西暦", "平成", "昭和", "大正", "明治", " ㍼"};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(list->itemText(i), entries[i]);
    }
    QCOMPARE(list->currentIndex(), 2);
    QCOMPARE(list->currentText(), "昭和");

    auto *textNen = control<QLineEdit>(*form, "textNen");
    QVERIFY(textNen->text().isEmpty());
    QVERIFY(textNen->hasFocus());
    auto *textShitei = control<QLineEdit>(*form, "textShitei");
    QCOMPARE(textShitei->text(), "1990");
    QVERIFY(!textShitei->isEnabled());
    QVERIFY(control<QRadioButton>(*form, "Option1")->isChecked());
    QVERIFY(!control<QRadioButton>(*form, "Option2")->isChecked());
    for (const char *output : {"lblGengo", "lblNen", "lbleto", "lblkana", "lbl9sei", "lblnenrei"}) {
        QVERIFY2(control<QLabel>(*form, output)->text().isEmpty(), output);
    }

    const QList<QPair<const char *, QString>> captions{
        {"Label3", "年"},           {"Label4", "年"},
        {"Label13", "年"},          {"Label11", "歳"},
        {"Label12", "西暦"},        {"Label7", "九星"},
        {"Label8", "干支"},         {"Option1", "今年の誕生日で"},
        {"Option2", "下記の年では"}};
    for (const auto &[name, caption] : captions) {
        QWidget *w = control(*form, name);
        const QString shown = qobject_cast<QLabel *>(w) ? qobject_cast<QLabel *>(w)->text()
                                                        : qobject_cast<QRadioButton *>(w)->text();
        QCOMPARE(shown, caption);
    }
    QCOMPARE(control<QGroupBox>(*form, "Frame1")->title(), "何歳？");

    const QList<QPair<const char *, QString>> tooltips{
        {"cboGengo", "↑↓で選択  Tabで入力欄に移動"},
        {"textNen", "Tabで選択欄に移動"},
        {"Option1", "フォーカスがあると↑↓キーで変更できます"},
        {"Label8", "Ver. 1.34   by Mervok "},
        {"Label7", "元気？ v(^o^) ♪♪ "},
        {"lbleto", "いわゆる「えと」です"},
        {"lbl9sei", "暦にのってるあれです"},
        {"Option2", ""},
        {"textShitei", ""},
        {"lblnenrei", ""}};
    for (const auto &[name, tip] : tooltips) {
        QCOMPARE(control(*form, name)->toolTip(), tip);
    }
}

void TestWindowLayout::fonts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family"); // the IPA twin the Windows face maps to
    QTest::addColumn<int>("pixels");
    QTest::addColumn<QString>("sample");
    QTest::newRow("cboGengo") << "cboGengo"
                              << "IPAGothic" << 17 << "昭和";
    QTest::newRow("Frame1") << "Frame1"
                            << "IPAPGothic" << 15 << "何歳？";
    QTest::newRow("textShitei") << "textShitei"
                                << "IPAPGothic" << 21 << "１９９０";
    QTest::newRow("textNen") << "textNen"
                             << "IPAPGothic" << 21 << "１９９０";
    QTest::newRow("Label11") << "Label11"
                             << "IPAPGothic" << 16 << "歳";
    QTest::newRow("lblnenrei") << "lblnenrei"
                               << "IPAPGothic" << 27 << "-10";
    QTest::newRow("Label12") << "Label12"
                             << "IPAPGothic" << 16 << "西暦";
    QTest::newRow("lblNen") << "lblNen"
                            << "IPAPGothic" << 21 << "元";
    QTest::newRow("lblGengo") << "lblGengo"
                              << "IPAGothic" << 17 << "明治大正昭和平成";
    QTest::newRow("lbleto") << "lbleto"
                            << "IPAPGothic" << 24 << "庚辛壬癸甲乙丙丁戊己申酉戌亥子丑寅卯辰巳午未";
    QTest::newRow("lbl9sei") << "lbl9sei"
                             << "IPAPGothic" << 24
                             << "一二三四五六七八九白黒碧緑黄赤紫水土木金火星";
    // Controls without a font of their own use the window's Japanese UI face.
    QTest::newRow("Option1") << "Option1"
                             << "IPAPGothic" << 12 << "今年の誕生日で";
    QTest::newRow("lblkana") << "lblkana"
                             << "IPAPGothic" << 12
                             << "かのえきのとみずつちさるとりいぬねうしとらたつみうまひつじ";
    QTest::newRow("Label7") << "Label7"
                            << "IPAPGothic" << 12 << "九星";
}

void TestWindowLayout::fonts() {
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(int, pixels);
    QFETCH(QString, sample);
    QWidget *widget = control(*form, qPrintable(name));
    const QFontInfo info(widget->font());
    QCOMPARE(info.family(), family);
    QCOMPARE(info.pixelSize(), pixels);
    QCOMPARE(info.weight(), int(QFont::Normal));
    QVERIFY(!info.italic());
    const QFontMetrics metrics(widget->font());
    for (const QChar c : sample) {
        QVERIFY2(metrics.inFont(c), qPrintable(QString("no glyph for ") + c));
    }
}

void TestWindowLayout::colours_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("expected"); // invalid: the platform's standard window colour
    const QColor standard;
    QTest::newRow("window") << "Form1" << QColor(0xC0, 0xC0, 0xC0);
    QTest::newRow("lblNen") << "lblNen" << QColor(0xE0, 0xE0, 0xE0);
    QTest::newRow("lblnenrei") << "lblnenrei" << QColor(0xE0, 0xE0, 0xE0);
    QTest::newRow("lbleto") << "lbleto" << QColor(0xE0, 0xE0, 0xE0);
    QTest::newRow("lbl9sei") << "lbl9sei" << QColor(0xE0, 0xE0, 0xE0);
    QTest::newRow("textNen") << "textNen" << QColor(0xFF, 0xFF, 0xFF);
    QTest::newRow("textShitei grey at start") << "textShitei" << QColor(0xC0, 0xC0, 0xC0);
    QTest::newRow("lblGengo") << "lblGengo" << standard;
    QTest::newRow("lblkana") << "lblkana" << standard;
    QTest::newRow("Label3") << "Label3" << standard;
    QTest::newRow("Label7") << "Label7" << standard;
    QTest::newRow("Label12") << "Label12" << standard;
    QTest::newRow("Frame1") << "Frame1" << standard;
    QTest::newRow("Option1") << "Option1" << standard;
}

void TestWindowLayout::colours() {
    QFETCH(QString, name);
    QFETCH(QColor, expected);
    QWidget *widget = name == "Form1" ? form.get() : control(*form, qPrintable(name));
    const QColor standard = QApplication::palette().color(QPalette::Window);
    QVERIFY(standard != QColor(0xC0, 0xC0, 0xC0)); // else the check below proves nothing
    // A point inside the control, clear of its border and of any text.
    // (The frame's own background shows beside its caption.)
    const QPoint at = name == "Form1"    ? QPoint(5, 5)
                      : name == "Frame1" ? QPoint(widget->width() - 4, 3)
                                         : QPoint(widget->width() - 4, widget->height() - 4);
    QCOMPARE(seenColour(widget, at), expected.isValid() ? expected : standard);
}

void TestWindowLayout::startPictureAndIcon() {
    auto *image = control<PictureBox>(*form, "Image1");
    QCOMPARE(image->picture().size(), QSize(160, 160));
    QCOMPARE(image->picture(), QImage(":/quindal/start.jpg"));
    // The box shows it at its own size: the grabbed box holds the picture's pixels.
    const QImage seen = image->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor centre = seen.pixelColor(80, 80);
    const QColor source = image->picture().pixelColor(80, 80);
    QVERIFY(qAbs(centre.red() - source.red()) < 8 && qAbs(centre.blue() - source.blue()) < 8);

    const QIcon icon = form->windowIcon();
    QVERIFY(!icon.isNull());
    const QImage iconImage(":/quindal/icon.png");
    QCOMPARE(iconImage.size(), QSize(32, 32));
    QCOMPARE(iconImage.colorCount(), 256);
    QSet<QRgb> used;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            used.insert(iconImage.pixel(x, y));
        }
    }
    QCOMPARE(used.size(), 5);
}

void TestWindowLayout::textBoxesTakeFourCharacters_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("paste");
    QTest::newRow("textNen typed") << "textNen" << false;
    QTest::newRow("textNen pasted") << "textNen" << true;
    QTest::newRow("textShitei typed") << "textShitei" << false;
    QTest::newRow("textShitei pasted") << "textShitei" << true;
}

void TestWindowLayout::textBoxesTakeFourCharacters() {
    QFETCH(QString, name);
    QFETCH(bool, paste);
    auto *box = control<QLineEdit>(*form, qPrintable(name));
    if (name == "textShitei") {
        QTest::mouseClick(control(*form, "Option2"), Qt::LeftButton);
        QVERIFY(box->hasFocus());
    }
    box->selectAll();
    if (paste) {
        QApplication::clipboard()->setText("19901");
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    } else {
        QTest::keyClicks(box, "19901");
    }
    QCOMPARE(box->text(), "1990");
}

void TestWindowLayout::eraListCannotBeTypedInto() {
    auto *list = control<QComboBox>(*form, "cboGengo");
    QVERIFY(!list->isEditable());
    list->setFocus();
    QTest::keyClicks(list, "1990");
    QCOMPARE(list->count(), 6);
    QVERIFY(list->currentIndex() >= 0 && list->currentIndex() < 6);
}

QTEST_MAIN(TestWindowLayout)
#include "tst_window_layout.moc"
