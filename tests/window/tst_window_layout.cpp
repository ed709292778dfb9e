// The window as it opens: controls, geometry, fonts, colours, texts and
// pictures.
#include "window_test_support.h"

#include <QClipboard>
#include <QFontInfo>
#include <QGroupBox>

using namespace testing;

class TestWindowLayout : public WindowTest {
    Q_OBJECT
private slots:
    void init() { open(); }

    // Per control: place in twips, font (the IPA twin of the named face),
    // background as seen (no colour: the platform's standard), accessible name.
    void controls_data() {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<QColor>("background");
        const QColor standard, grey(0xC0, 0xC0, 0xC0), light(0xE0, 0xE0, 0xE0), white(Qt::white),
            notChecked(Qt::transparent); // drawn by the style, or a picture
        const QString p = "IPAPGothic", g = "IPAGothic";
        const auto row = [&](const char *name, const char *in, QRect r, const QString &f, int px,
                             QColor bg) { QTest::newRow(name) << in << r << f << px << bg; };
        row("cboGengo", "Form1", {480, 240, 890, 375}, g, 17, notChecked);
        row("Frame1", "Form1", {360, 1560, 2655, 2535}, p, 15, standard);
        row("textShitei", "Frame1", {1080, 1200, 975, 450}, p, 21, grey);
        row("Option2", "Frame1", {240, 840, 1815, 315}, p, 12, standard);
        row("Option1", "Frame1", {240, 360, 1935, 345}, p, 12, standard);
        row("Label11", "Frame1", {2160, 2040, 255, 255}, p, 16, standard);
        row("lblnenrei", "Frame1", {1080, 1920, 975, 375}, p, 27, light);
        row("Label13", "Frame1", {2160, 1320, 375, 375}, p, 16, standard);
        row("Label12", "Frame1", {480, 1320, 615, 375}, p, 16, standard);
        row("textNen", "Form1", {1440, 240, 975, 375}, p, 21, white);
        row("Label3", "Form1", {2520, 1050, 495, 375}, p, 16, standard);
        row("lblNen", "Form1", {1440, 995, 975, 340}, p, 21, light);
        row("lblGengo", "Form1", {840, 1050, 615, 375}, g, 17, standard);
        row("Image1", "Form1", {3480, 1680, 2400, 2400}, p, 12, notChecked);
        row("lblkana", "Form1", {3840, 720, 1695, 255}, p, 12, standard);
        row("Label8", "Form1", {3360, 1080, 375, 255}, p, 12, standard);
        row("Label7", "Form1", {3360, 360, 375, 255}, p, 12, standard);
        row("lbleto", "Form1", {3840, 960, 1695, 375}, p, 24, light);
        row("lbl9sei", "Form1", {3840, 240, 1695, 375}, p, 24, light);
        row("Label4", "Form1", {2520, 350, 495, 375}, p, 16, standard);
    }
    void controls() {
        QFETCH(QString, container);
        QFETCH(QRect, twips);
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(QColor, background);
        QWidget *w = control(*form, QTest::currentDataTag());
        QCOMPARE(w->parentWidget()->objectName().isEmpty() ? "Form1"
                                                           : w->parentWidget()->objectName(),
                 container);
        const auto px = [](int t) { return qRound(t / 15.0); };
        QCOMPARE(w->geometry(),
                 QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
        const QFontInfo font(w->font());
        QCOMPARE(font.family(), family);
        QCOMPARE(font.pixelSize(), pixels);
        QCOMPARE(font.weight(), int(QFont::Normal));
        if (background != QColor(Qt::transparent)) {
            // A point clear of borders and text; the frame's own ground shows beside its caption.
            const QPoint at = w->objectName() == "Frame1" ? QPoint(w->width() - 4, 3)
                              : w->height() < 20          ? QPoint(w->width() - 1, 0)
                                                          : QPoint(w->width() - 4, w->height() - 4);
            QCOMPARE(seenColour(w, at), background.isValid()
                                            ? background
                                            : QApplication::palette().color(QPalette::Window));
        }
    }

    void window() {
        QCOMPARE(form->windowTitle(), "Quindal");
        QCOMPARE(form->size(), QSize(416, 292));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QCOMPARE(seenColour(form.get(), {5, 5}), QColor(0xC0, 0xC0, 0xC0));
        QVERIFY(QApplication::palette().color(QPalette::Window) != QColor(0xC0, 0xC0, 0xC0));
        const QImage icon(":/quindal/icon.png");
        QCOMPARE(icon.size(), QSize(32, 32));
        QCOMPARE(icon.colorCount(), 256);
        QSet<QRgb> used;
        for (int i = 0; i < 32 * 32; ++i) {
            used.insert(icon.pixel(i % 32, i / 32));
        }
        QCOMPARE(used.size(), 5);
        QVERIFY(!form->windowIcon().isNull());
    }

    void startState() {
        QCOMPARE(list->count(), 6);
        const QStringList entries{"西暦", "平成", "昭和", "大正", "明治", " ㍼"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(list->itemText(i), entries[i]);
        }
        QCOMPARE(list->currentIndex(), 2);
        QVERIFY(!list->isEditable());
        QVERIFY(textNen->hasFocus() && textNen->text().isEmpty());
        QCOMPARE(textShitei->text(), "1990");
        QVERIFY(!textShitei->isEnabled() && option1->isChecked() && !option2->isChecked());
        QCOMPARE(signs() + label("lblnenrei"), "||||");
        QCOMPARE(image->picture(), QImage(":/quindal/start.jpg"));
        QCOMPARE(image->picture().size(), QSize(160, 160));
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
            {"lblnenrei", ""}};
        for (const auto &[name, tip] : tooltips) {
            QCOMPARE(control(*form, name)->toolTip(), tip);
        }
        // Every kanji and kana the outputs can show has a glyph in its face.
        const QString all = "明治大正昭和平成西暦元一二三四五六七八九白黒碧緑黄赤紫水土木金火星"
                            "甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉戌亥"
                            "かのえとみずきひつちねうしらたまさるりいぬ";
        for (const char *name : {"lblGengo", "lbl9sei", "lbleto", "lblkana"}) {
            const QFontMetrics metrics(control(*form, name)->font());
            for (const QChar c : all) {
                QVERIFY2(metrics.inFont(c), qPrintable(QString(name) + ": " + c));
            }
        }
    }

    // At most four characters, and never half of one: a surrogate pair cut by
    // the limit is dropped whole.
    void textBoxesTakeFourCharacters_data() {
        QTest::addColumn<bool>("shitei");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept");
        for (const bool shitei : {false, true}) {
            const char *box = shitei ? "textShitei" : "textNen";
            for (const char *how : {"typed", "pasted", "committed"}) {
                QTest::addRow("%s %s", box, how) << shitei << how << "19901"
                                                 << "1990";
                if (QString(how) != "typed") { // no key types an emoji
                    QTest::addRow("%s %s emoji", box, how) << shitei << how << "199😀"
                                                           << "199";
                }
            }
        }
    }
    void textBoxesTakeFourCharacters() {
        QFETCH(bool, shitei);
        QFETCH(QString, how);
        QFETCH(QString, text);
        QFETCH(QString, kept);
        QLineEdit *box = shitei ? textShitei : textNen;
        if (shitei) {
            QTest::mouseClick(option2, Qt::LeftButton);
        }
        QStringList seen;
        connect(box, &QLineEdit::textChanged, this, [&](const QString &t) { seen << t; });
        QApplication::clipboard()->setText(text);
        how == "typed"    ? QTest::keyClicks(box, text)
        : how == "pasted" ? QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier)
                          : commitText(box, text);
        QCOMPARE(box->text(), kept);
        for (const QString &t : seen) { // no change ever held half a character
            QVERIFY(!t.isEmpty() ? !t.back().isHighSurrogate() : true);
        }
    }
};

QTEST_MAIN(TestWindowLayout)
#include "tst_window_layout.moc"
