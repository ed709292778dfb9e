#include "main_window.h"

#include "accessibility.h"
#include "almanac/age_reckoning.h"
#include "almanac/cycle_tables.h"
#include "almanac/era_conversion.h"
#include "form_description.h"
#include "option_button.h"
#include "output_label.h"
#include "picture_box.h"
#include "jpeg_decoder.h"
#include "picture_files.h"
#include "text_box.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QWindow>

namespace {

// The key codes the handlers test; every other key is 0 to them.
namespace key {
constexpr int enter = 13;
constexpr int left = 37;
constexpr int up = 38;
constexpr int down = 40;
constexpr int del = 46;
} // namespace key

int virtualKeyCode(const QKeyEvent &event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return key::enter;
    case Qt::Key_Left: return key::left;
    case Qt::Key_Up: return key::up;
    case Qt::Key_Down: return key::down;
    case Qt::Key_Delete: return key::del;
    default: return 0;
    }
}

// Shift 1, Ctrl 2, Alt 4. Passed along; no handler acts on it.
int shiftState(const QKeyEvent &event) {
    const Qt::KeyboardModifiers m = event.modifiers();
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t red = 0x0000FF;
constexpr std::uint32_t grey = 0xC0C0C0;
constexpr std::uint32_t white = 0xFFFFFF;

QString qstring(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string_view textOf(const QString &text) {
    return {reinterpret_cast<const char16_t *>(text.utf16()),
            static_cast<std::size_t>(text.size())};
}

std::int16_t currentYear() {
    return static_cast<std::int16_t>(QDate::currentDate().year());
}

} // namespace

Form1::Form1(QWidget *parent)
    : QWidget(parent), pictures(QCoreApplication::applicationDirPath()) {
    Q_INIT_RESOURCE(window); // the icon and start picture live in a static library
    installAccessibility();
    setWindowTitle(formCaption.toString());
    // Named as PNG: probing the format would load every image plugin.
    setWindowIcon(QPixmap::fromImage(QImage(QStringLiteral(":/quindal/icon.png"), "PNG")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(descriptionFont(Face::Window, 0));
    QPalette background = palette();
    background.setColor(QPalette::Window, colourFromBgr(formBackColour));
    setPalette(background);
    setAutoFillBackground(true);
    setFixedSize(twipsToPixels(formWidthTwips), twipsToPixels(formHeightTwips));

    buildControls(this);
    cboGengo = findChild<QComboBox *>(QStringLiteral("cboGengo"));
    textShitei = findChild<TextBox *>(QStringLiteral("textShitei"));
    Option2 = findChild<OptionButton *>(QStringLiteral("Option2"));
    Option1 = findChild<OptionButton *>(QStringLiteral("Option1"));
    lblnenrei = findChild<OutputLabel *>(QStringLiteral("lblnenrei"));
    textNen = findChild<TextBox *>(QStringLiteral("textNen"));
    lblNen = findChild<OutputLabel *>(QStringLiteral("lblNen"));
    lblGengo = findChild<OutputLabel *>(QStringLiteral("lblGengo"));
    Image1 = findChild<PictureBox *>(QStringLiteral("Image1"));
    lblkana = findChild<OutputLabel *>(QStringLiteral("lblkana"));
    lbleto = findChild<OutputLabel *>(QStringLiteral("lbleto"));
    lbl9sei = findChild<OutputLabel *>(QStringLiteral("lbl9sei"));

    showStartPicture();
    connectHandlers();
    Form_Load();
}

// Every event the window answers, and the handler that answers it. Changes
// and clicks come as signals; key presses and focus arrive through
// eventFilter, which sees a key before the control's own handling of it.
void Form1::connectHandlers() {
    connect(textNen, &QLineEdit::textChanged, this, &Form1::textNen_Change);
    connect(textNen, &TextBox::clicked, this, &Form1::textNen_Click);
    connect(textShitei, &QLineEdit::textChanged, this, &Form1::textShitei_Change);
    // Entered by the mouse, the box selects its text once the click has placed its caret.
    connect(textShitei, &TextBox::enteredByClick, this, &Form1::textShitei_GotFocus);
    connect(Option2, &QAbstractButton::toggled, this, [this](bool selected) {
        if (selected) {
            Option2_Click();
        }
    });
    // Option1 enters the this-year mode when it takes the focus; should it be
    // selected some other way (an accessibility action, say), it does so too.
    connect(Option1, &QAbstractButton::toggled, this, [this](bool selected) {
        if (selected && !Option1->hasFocus()) {
            Option1_GotFocus();
        }
    });
    connect(Image1, &PictureBox::clicked, this, &Form1::Image1_Click);
    connect(Image1, &PictureBox::doubleClicked, this, &Form1::Image1_DblClick);
    for (QWidget *control : {static_cast<QWidget *>(textNen), static_cast<QWidget *>(cboGengo),
                             static_cast<QWidget *>(Option1), static_cast<QWidget *>(Option2),
                             static_cast<QWidget *>(textShitei)}) {
        control->installEventFilter(this);
    }
}

bool Form1::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto &keyEvent = *static_cast<QKeyEvent *>(event);
        const int code = virtualKeyCode(keyEvent);
        const int shift = shiftState(keyEvent);
        QWidget *focusBefore = QApplication::focusWidget();
        if (watched == textNen) {
            textNen_KeyDown(code, shift);
        } else if (watched == cboGengo) {
            cboGengo_KeyDown(code, shift);
        } else if (watched == Option1) {
            Option1_KeyDown(code, shift);
        } else if (watched == textShitei) {
            textShitei_KeyDown(code, shift);
        }
        // A key that moved the focus must not also act on the control it left
        // (Left would move the caret, Up would change the option).
        return QApplication::focusWidget() != focusBefore;
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
            focusKeptThroughDeactivation = watched;
        }
        break;
    }
    case QEvent::FocusIn: {
        // The focus coming back to the control that had it, when the window is
        // activated again or a popup closes, is not the control being entered.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        const bool returning =
            watched == focusKeptThroughDeactivation &&
            (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason);
        focusKeptThroughDeactivation = nullptr;
        if (returning) {
            break;
        }
        if (watched == textNen) {
            textNen_GotFocus();
        } else if (watched == textShitei) {
            textShitei_GotFocus();
        } else if (watched == Option1) {
            // An option button that takes the focus becomes the selected one.
            Option1->setChecked(true);
            Option1_GotFocus();
        } else if (watched == Option2) {
            // Selecting Option2 moves the focus on into textShitei; so does
            // entering it while it is already selected.
            if (Option2->isChecked()) {
                textShitei->setFocus(Qt::OtherFocusReason);
            } else {
                Option2->setChecked(true);
            }
        }
        // The focus moved on inside the handler: the control it left must not
        // go on to treat itself as focused.
        return QApplication::focusWidget() != watched;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::Form_Load() {
    cboGengo->setCurrentIndex(2);
}

// The recalculation: every change of the year text rewrites every output.
// Each write shows at once, so the order of the steps is kept.
void Form1::textNen_Change() {
    // 1. The typed number; one that cannot be represented is no year.
    state.nen = almanac::readNumber(textOf(textNen->text())).value_or(0);
    // 2. Not a year: empty the box. That change runs this handler once more,
    //    nested, which stores nen and seireki 0 and ends at step 5.
    if (state.nen <= 0) {
        textNen->setText(QString());
    }
    // 3. Normalise to a Western year (kept as it was while no entry is chosen).
    const int listIndex = cboGengo->currentIndex();
    if (listIndex >= 0) {
        state.seireki = almanac::westernYear(listIndex, state.nen).value_or(0);
    }
    // 4.
    if (textNen->text().isEmpty()) {
        state.seireki = 0;
    }
    // 5. No year, or one too far off for the era years: refuse it, leaving
    //    every output showing the last year accepted.
    const auto years = state.seireki > 0 ? almanac::eraYears(state.seireki) : std::nullopt;
    if (!years) {
        state.nen = 0;
        state.seireki = 0;
        textNen->setText(QString());
        return;
    }
    // 6.
    state.nenHeisei = years->heisei;
    state.nenShowa = years->showa;
    state.nenTaisho = years->taisho;
    state.nenMeiji = years->meiji;
    // 7. Named in the era calendar, or answered as a Western year.
    if (almanac::usesEraForm(listIndex, state.nen)) {
        const almanac::EraName name = almanac::eraName(state.seireki, *years);
        lblGengo->setResult(QString::fromStdU16String(name.name));
        lblNen->setResult(QString::fromStdU16String(name.year));
    } else {
        lblNen->setResult(QString::number(state.seireki));
        lblGengo->setResult(qstring(almanac::westernEraWord));
    }
    // 8.
    const almanac::NineStar star = almanac::nineStar(state.seireki);
    state.kyuseiNo = star.number;
    state.kyusei = qstring(star.name);
    const almanac::Stem stem = almanac::stem(state.seireki);
    const almanac::Branch branch = almanac::branch(state.seireki);
    state.jikkanNo = stem.number;
    state.junishiNo = branch.number;
    state.jikkan = qstring(stem.kanji);
    state.jikkanKana = qstring(stem.kana);
    state.junishi = qstring(branch.kanji);
    // 9. A picture that cannot be loaded shows a placeholder; the outputs
    //    below are written all the same.
    state.junishiKana = qstring(branch.kana);
    showPicture(branch.pictureName, branch.kanji);
    // 10.
    lbl9sei->setResult(state.kyusei);
    lblkana->setResult(state.jikkanKana + state.junishiKana);
    lbleto->setResult(state.jikkan + state.junishi);
    // 11. and 12.
    writeAge(Option2->isChecked() ? almanac::ageInYear(state.shiteiNen, state.seireki)
                                  : almanac::ageThisYear(state.seireki, currentYear()));
    applySignColour();
}

void Form1::textNen_KeyDown(int keyCode, int) {
    if (keyCode == key::enter) {
        selectWholeText(textNen);
    }
    if (keyCode == key::del) {
        textNen->setText(QString());
    }
    if (keyCode == key::down) {
        // Taking the focus selects Option1 (see eventFilter); should the focus
        // not move, selecting it still enters the this-year mode.
        focusByKey(Option1);
        Option1->setChecked(true);
    }
    if (keyCode == key::left) {
        focusByKey(cboGengo);
    }
}

void Form1::textNen_Click() {
    selectWholeText(textNen);
}

void Form1::textNen_GotFocus() {
    selectWholeText(textNen);
    // From now on Tab and Shift+Tab move only between textNen and cboGengo;
    // the arrow keys lead into and out of the age controls.
    setTabStop(Option1, false);
    setTabStop(Option2, false);
    setTabStop(textShitei, false);
}

void Form1::cboGengo_KeyDown(int keyCode, int) {
    if (keyCode == key::enter) {
        focusByKey(textNen);
    }
}

// The this-year mode.
void Form1::Option1_GotFocus() {
    textShitei->setEnabled(false);
    writeAge(almanac::ageThisYear(state.seireki, currentYear()));
    setShiteiBackColour(grey);
    applySignColour();
}

void Form1::Option1_KeyDown(int keyCode, int) {
    if (keyCode == key::enter) {
        focusByKey(textNen);
    }
}

// The designated-year mode.
void Form1::Option2_Click() {
    textShitei->setEnabled(true);
    textShitei->setFocus(Qt::OtherFocusReason);
    const auto designated = almanac::readNumber(textOf(textShitei->text()));
    if (designated) {
        state.shiteiNen = *designated;
    }
    setShiteiBackColour(white);
    if (designated && state.shiteiNen > 1) {
        writeAge(almanac::ageInYear(state.shiteiNen, state.seireki));
    }
    applySignColour();
}

void Form1::textShitei_Change() {
    const auto designated = almanac::readNumber(textOf(textShitei->text()));
    if (designated) {
        state.shiteiNen = *designated;
    }
    if (designated && Option2->isChecked()) {
        writeAge(almanac::ageInYear(state.shiteiNen, state.seireki));
    }
    applySignColour();
}

void Form1::textShitei_GotFocus() {
    selectWholeText(textShitei);
}

void Form1::textShitei_KeyDown(int keyCode, int) {
    if (keyCode == key::enter) {
        selectWholeText(textShitei);
    }
    if (keyCode == key::up) {
        focusByKey(Option1);
        Option1->setChecked(true);
    }
}

void Form1::Image1_Click() {
    showPicture(u"\\scene1.jpg", u"景");
}

void Form1::Image1_DblClick() {
    showPicture(u"\\scene2.jpg", u"景");
}

// The file is read from disk every time it is shown.
void Form1::showPicture(QStringView storedName, QStringView placeholderGlyph) {
    shownPicture = {storedName, placeholderGlyph};
    Image1->setPicture(pictures.picture(storedName, placeholderGlyph, Image1->size(),
                                        Image1->devicePixelRatioF()));
}

// The picture stored with the window, shown until the first year.
void Form1::showStartPicture() {
    shownPicture = {};
    QFile file(QStringLiteral(":/quindal/start.jpg"));
    file.open(QIODevice::ReadOnly);
    const qreal ratio = Image1->devicePixelRatioF();
    QImage picture = decodeJpeg(file.readAll(), deviceSize(Image1->size(), ratio));
    picture.setDevicePixelRatio(ratio);
    Image1->setPicture(picture);
}

// On a screen of another pixel density the picture is made again at the
// box's new size in device pixels.
void Form1::showPictureAgain() {
    if (shownPicture.storedName.isEmpty()) {
        showStartPicture();
    } else {
        showPicture(shownPicture.storedName, shownPicture.glyph);
    }
}

void Form1::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    connect(windowHandle(), &QWindow::screenChanged, this, &Form1::showPictureAgain,
            Qt::UniqueConnection);
}

// An age that cannot be represented is not written; the caption keeps what
// it showed.
void Form1::writeAge(std::optional<std::int32_t> age) {
    if (age) {
        lblnenrei->setResult(QString::number(*age));
    }
}

// Colours the age by the number its caption holds, read back from the label.
void Form1::applySignColour() {
    const bool negative = almanac::signColour(textOf(lblnenrei->text())) == almanac::AgeColour::Red;
    QPalette palette = lblnenrei->palette();
    palette.setColor(QPalette::WindowText, colourFromBgr(negative ? red : black));
    lblnenrei->setPalette(palette);
}

void Form1::setShiteiBackColour(std::uint32_t bgr) {
    QPalette palette = textShitei->palette();
    palette.setColor(QPalette::Base, colourFromBgr(bgr));
    textShitei->setPalette(palette);
}

// A focus move made by a key shows the focus frame, as Tab does.
void Form1::focusByKey(QWidget *control) {
    setAttribute(Qt::WA_KeyboardFocusChange);
    control->setFocus(Qt::OtherFocusReason);
}

void Form1::selectWholeText(TextBox *box) {
    box->setSelection(0, static_cast<int>(box->text().size()));
}
