#include "main_window.h"

#include "accessibility.h"
#include "age_reckoning.h"
#include "cycle_tables.h"
#include "era_conversion.h"
#include "form_description.h"
#include "option_button.h"
#include "output_label.h"
#include "picture_box.h"
#include "picture_files.h"
#include "text_box.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWindow>
#include <utility>

namespace {

bool isEnter(Qt::Key key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

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

// What a process that shows the window sets once: its resources, the fonts
// its faces stand for and its style. Form1 does it, so that any program that
// makes one (tests and benchmarks too) gets it.
static void prepareProcess() {
    static const bool prepared = [] {
        Q_INIT_RESOURCE(window); // the icon and start picture live in a static library
        installLook();
        installAccessibility();
        return true;
    }();
    Q_UNUSED(prepared);
}

// The window icon at each size it is drawn at, so that a title bar or a task
// list at any scale takes a drawn size and never blows one up. Named as PNG:
// probing the format would load every image plugin.
static QIcon iconAtEverySize() {
    QIcon icon;
    for (const char *name : {"icon-16", "icon-24", "icon", "icon-48", "icon-64"}) {
        icon.addPixmap(QPixmap::fromImage(
            QImage(QStringLiteral(":/quindal/%1.png").arg(QLatin1String(name)), "PNG")));
    }
    return icon;
}

Form1::Form1(QWidget *parent)
    : QWidget(parent),
      pictures(new PictureLoader(
          QCoreApplication::applicationDirPath(),
          QCoreApplication::applicationDirPath() + QStringLiteral("/quindal-reader"), this)) {
    prepareProcess();
    setWindowTitle(formCaption.toString());
    setWindowIcon(iconAtEverySize());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(descriptionFont(Face::Window, 0));
    QPalette background = windowPalette();
    background.setColor(QPalette::Window, colourFromBgr(formBackColour));
    setPalette(background);
    setAutoFillBackground(true);
    setFixedSize(twipsToPixels(formWidthTwips), twipsToPixels(formHeightTwips));

    const BuiltControls built = buildControls(this);
    bind<"cboGengo">(cboGengo, built);
    bind<"textShitei">(textShitei, built);
    bind<"Option2">(Option2, built);
    bind<"Option1">(Option1, built);
    bind<"lblnenrei">(lblnenrei, built);
    bind<"textNen">(textNen, built);
    bind<"lblNen">(lblNen, built);
    bind<"lblGengo">(lblGengo, built);
    bind<"Image1">(Image1, built);
    bind<"lblkana">(lblkana, built);
    bind<"lbleto">(lbleto, built);
    bind<"lbl9sei">(lbl9sei, built);

    announcer = new Announcer(this);
    resultsSettling.setSingleShot(true);
    resultsSettling.setInterval(150);
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
    connect(pictures, &PictureLoader::arrived, this,
            [this](const QImage &picture) { Image1->setPicture(picture, shownPicture.glyph); });
    // What a screen reader is told, beside what it reads of each control.
    for (OutputLabel *result : {lblGengo, lblNen, lbl9sei, lbleto, lblkana, lblnenrei}) {
        connect(result, &OutputLabel::resultShown, &resultsSettling, qOverload<>(&QTimer::start));
    }
    connect(&resultsSettling, &QTimer::timeout, this, &Form1::announceResults);
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // A list says its entry as the arrow keys choose it: before Qt 6.8, Qt's
    // list tells Orca nothing. Later ones tell it themselves, and saying it
    // here too would say it twice.
    connect(cboGengo, &QComboBox::currentIndexChanged, this, [this] {
        if (cboGengo->hasFocus()) {
            announcer->announce(cboGengo->currentText());
        }
    });
#endif
    for (QWidget *control : {static_cast<QWidget *>(textNen), static_cast<QWidget *>(cboGengo),
                             static_cast<QWidget *>(Option1), static_cast<QWidget *>(Option2),
                             static_cast<QWidget *>(textShitei)}) {
        control->installEventFilter(this);
    }
}

bool Form1::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto key = Qt::Key(static_cast<QKeyEvent *>(event)->key());
        QWidget *focusBefore = QApplication::focusWidget();
        if (watched == textNen) {
            textNen_KeyDown(key);
        } else if (watched == cboGengo) {
            cboGengo_KeyDown(key);
        } else if (watched == Option1) {
            Option1_KeyDown(key);
        } else if (watched == textShitei) {
            textShitei_KeyDown(key);
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
        // go on to treat itself as focused, nor be the last that screen
        // readers are told has the focus.
        if (QApplication::focusWidget() != watched) {
            reportFocusAfterThisEvent();
            return true;
        }
        return false;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::Form_Load() {
    cboGengo->setCurrentIndex(2);
}

// The recalculation: every change of the year text rewrites every output
// from the year it holds. Each write shows at once, so the order is kept:
// the year's name, its signs and animal, then the age.
void Form1::textNen_Change() {
    const std::optional<almanac::EraYears> years = readTypedYear();
    if (!years) {
        refuseTypedYear();
        return;
    }
    state.nenHeisei = years->heisei;
    state.nenShowa = years->showa;
    state.nenTaisho = years->taisho;
    state.nenMeiji = years->meiji;
    yearShown = state.seireki;
    const almanac::YearShown shown =
        almanac::yearShown(cboGengo->currentIndex(), state.nen, state.seireki, *years);
    showYearName(shown);
    showSigns(shown);
    showAge();
}

// Reads the box into nen and seireki, and gives the year's era years; no
// value when the text holds no year the window can show.
std::optional<almanac::EraYears> Form1::readTypedYear() {
    // A number that cannot be represented is no year either.
    state.nen = almanac::readNumber(textOf(textNen->text())).value_or(0);
    if (state.nen <= 0) {
        return std::nullopt;
    }
    // The list says how the number is counted; with no entry chosen,
    // seireki keeps what it held.
    const int listIndex = cboGengo->currentIndex();
    if (listIndex >= 0) {
        state.seireki = almanac::westernYear(listIndex, state.nen).value_or(0);
    }
    // A year past 34634 has era years beyond 16 bits: it cannot be named.
    return state.seireki > 0 ? almanac::eraYears(state.seireki) : std::nullopt;
}

// No year: the box is emptied and every output goes on showing the last
// year accepted.
void Form1::refuseTypedYear() {
    state.nen = 0;
    state.seireki = 0;
    emptyYearBox();
}

// Emptying the box runs the recalculation once more, nested, on the empty
// text. Setting a text also ends an input method's composition (ibus commits
// it, fcitx5 drops it), so a box that is already empty is left alone, and so
// is one being composed in: the composition's commit changes the text and
// recalculates again.
void Form1::emptyYearBox() {
    if (!textNen->text().isEmpty() && !textNen->isComposing()) {
        textNen->setText(QString());
    }
}

// A year typed in an era and still within it is answered as a Western year;
// a Western year, or an era year past its era's end, is named in the eras.
void Form1::showYearName(const almanac::YearShown &shown) {
    const QString name = QString::fromStdU16String(shown.name.name),
                  year = QString::fromStdU16String(shown.name.year);
    if (shown.eraForm) {
        lblGengo->setResult(name);
        lblNen->setResult(year);
    } else {
        lblNen->setResult(year);
        lblGengo->setResult(name);
    }
}

// The nine-star sign, the sexagenary sign in kanji and kana, and the
// branch's animal. A picture that cannot be shown gives its placeholder; the
// signs are written all the same.
void Form1::showSigns(const almanac::YearShown &shown) {
    state.kyuseiNo = shown.star.number;
    state.kyusei = qstring(shown.star.name);
    state.jikkanNo = shown.stem.number;
    state.junishiNo = shown.branch.number;
    state.jikkan = qstring(shown.stem.kanji);
    state.jikkanKana = qstring(shown.stem.kana);
    state.junishi = qstring(shown.branch.kanji);
    state.junishiKana = qstring(shown.branch.kana);
    showPicture(shown.branch.pictureName, shown.branch.kanji,
                qstring(shown.branch.kanji) + u'（' + qstring(shown.branch.animal) +
                    QStringLiteral("）の絵"));
    lbl9sei->setResult(state.kyusei);
    lblkana->setResult(QString::fromStdU16String(shown.kana));
    lbleto->setResult(QString::fromStdU16String(shown.eto));
}

// The age in the mode the options choose: the designated year is the one
// stored, not read again from its box.
void Form1::showAge() {
    if (Option2->isChecked()) {
        writeDesignatedYearAge();
    } else {
        writeThisYearAge();
    }
    applySignColour();
}

void Form1::textNen_KeyDown(Qt::Key key) {
    if (isEnter(key)) {
        textNen->selectAll();
    }
    if (key == Qt::Key_Delete) {
        emptyYearBox();
    }
    if (key == Qt::Key_Down) {
        // Taking the focus selects Option1 (see eventFilter); should the focus
        // not move, selecting it still enters the this-year mode.
        focusByKey(Option1);
        Option1->setChecked(true);
    }
    if (key == Qt::Key_Left) {
        focusByKey(cboGengo);
    }
}

void Form1::textNen_Click() {
    textNen->selectAll();
}

void Form1::textNen_GotFocus() {
    textNen->selectAll();
    // From now on Tab and Shift+Tab move only between textNen and cboGengo;
    // the arrow keys lead into and out of the age controls.
    setTabStop(Option1, false);
    setTabStop(Option2, false);
    setTabStop(textShitei, false);
}

void Form1::cboGengo_KeyDown(Qt::Key key) {
    if (isEnter(key)) {
        focusByKey(textNen);
    }
}

// The this-year mode.
void Form1::Option1_GotFocus() {
    textShitei->setEnabled(false);
    writeThisYearAge();
    setShiteiBackColour(colour::grey);
    applySignColour();
}

void Form1::Option1_KeyDown(Qt::Key key) {
    if (isEnter(key)) {
        focusByKey(textNen);
    }
}

// The designated-year mode. A designated year of 1 or less (an empty box
// reads 0) leaves the age as it was.
void Form1::Option2_Click() {
    textShitei->setEnabled(true);
    textShitei->setFocus(Qt::OtherFocusReason);
    const bool read = readDesignatedYear();
    setShiteiBackColour(colour::white);
    if (read && state.shiteiNen > 1) {
        writeDesignatedYearAge();
    }
    applySignColour();
}

void Form1::textShitei_Change() {
    if (readDesignatedYear() && Option2->isChecked()) {
        writeDesignatedYearAge();
    }
    applySignColour();
}

void Form1::textShitei_GotFocus() {
    textShitei->selectAll();
}

void Form1::textShitei_KeyDown(Qt::Key key) {
    if (isEnter(key)) {
        textShitei->selectAll();
    }
    if (key == Qt::Key_Up) {
        focusByKey(Option1);
        Option1->setChecked(true);
    }
}

void Form1::Image1_Click() {
    showPicture(u"scene1.jpg", u"景", QStringLiteral("夕暮れの景色の絵"));
}

void Form1::Image1_DblClick() {
    showPicture(u"scene2.jpg", u"景", QStringLiteral("夜の景色の絵"));
}

// What a screen reader is told after a recalculation: the year as shown, its
// signs and the age, in the order they are read on screen; when only the age
// changed, the age. What was told already is not told again, so a refused
// entry, which leaves every result as it was, says nothing.
void Form1::announceResults() {
    const QString year = lblGengo->text() + lblNen->text() + u'年';
    const QString signs =
        lbl9sei->text() + u'、' + lbleto->text() + u' ' + lblkana->text().simplified();
    const QString age = lblnenrei->text().isEmpty() ? QString() : lblnenrei->text() + u'歳';
    if (year != announced.year || signs != announced.signs) {
        announcer->announce(QStringList{year, signs, age}.join(u'、'));
    } else if (age != announced.age) {
        announcer->announce(age);
    }
    announced = {year, signs, age};
}

// The file is read from disk every time it is shown; the picture names what
// it shows, even as the placeholder. A file read from a local disk is shown
// in the keystroke's own frame. One that takes longer (a slow or hung network
// folder) shows the placeholder at once, never the previous picture, and the
// picture when it arrives, unless another has been asked for since.
void Form1::showPicture(QStringView fileName, QStringView placeholderGlyph, const QString &spoken) {
    static constexpr std::chrono::milliseconds longestWait{50};
    shownPicture = {fileName, placeholderGlyph, spoken};
    if (Image1->accessibleName() != spoken) {
        Image1->setAccessibleName(spoken);
    }
    const std::optional<QImage> picture = pictures->load(fileName.toString(), Image1->size(),
                                                         Image1->devicePixelRatioF(), longestWait);
    Image1->setPicture(picture.value_or(QImage()), placeholderGlyph);
}

// The picture stored with the window, shown until the first year.
void Form1::showStartPicture() {
    shownPicture = {};
    pictures->forget();
    Image1->setAccessibleName(QStringLiteral("机の上の静物の絵"));
    Image1->setPicture(resourcePicture(QStringLiteral(":/quindal/start.jpg"), Image1->size(),
                                       Image1->devicePixelRatioF()),
                       {});
}

// On a screen of another pixel density the picture is made again at the
// box's new size in device pixels.
void Form1::showPictureAgain() {
    if (shownPicture.fileName.isEmpty()) {
        showStartPicture();
    } else {
        showPicture(shownPicture.fileName, shownPicture.glyph, shownPicture.spoken);
    }
}

void Form1::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (QWindow *shownIn = window()->windowHandle()) {
        connect(shownIn, &QWindow::screenChanged, this, &Form1::showPictureAgain,
                Qt::UniqueConnection);
    }
}

// The start picture is compiled in, so the first picture reader is started
// only once the first frame is painted.
void Form1::paintEvent(QPaintEvent *event) {
    QWidget::paintEvent(event);
    if (!std::exchange(readerStarted, true)) {
        QMetaObject::invokeMethod(pictures, &PictureLoader::startReader, Qt::QueuedConnection);
    }
}

// A designated year that cannot be read as a 32-bit number ("1E10") keeps
// the one stored, and no age is counted from it.
bool Form1::readDesignatedYear() {
    const auto designated = almanac::readNumber(textOf(textShitei->text()));
    state.shiteiNen = designated.value_or(state.shiteiNen);
    return designated.has_value();
}

// Ages count from the year the outputs show; before the first year there is
// none to write. An age that cannot be represented is not written either:
// the caption keeps what it showed.
void Form1::writeThisYearAge() {
    if (yearShown) {
        if (const auto age = almanac::ageThisYear(*yearShown, currentYear())) {
            lblnenrei->setResult(QString::number(*age));
        }
    }
}

void Form1::writeDesignatedYearAge() {
    if (yearShown) {
        if (const auto age = almanac::ageInYear(state.shiteiNen, *yearShown)) {
            lblnenrei->setResult(QString::number(*age));
        }
    }
}

// Colours the age by the number its caption holds, read back from the label.
void Form1::applySignColour() {
    const bool negative = almanac::signColour(textOf(lblnenrei->text())) == almanac::AgeColour::Red;
    lblnenrei->setTextColour(colourFromBgr(negative ? colour::red : colour::black));
}

void Form1::setShiteiBackColour(std::uint32_t bgr) {
    const QColor background = colourFromBgr(bgr);
    if (textShitei->palette().color(QPalette::Base) != background) {
        QPalette palette = textShitei->palette();
        palette.setColor(QPalette::Base, background);
        textShitei->setPalette(palette);
    }
}

// A focus move made by a key shows the focus frame, as Tab does. Marked
// after the move: Qt 6.11 clears the mark for a move that is not Tab's, and
// Tab's own reason would select a text box's whole text.
void Form1::focusByKey(QWidget *control) {
    control->setFocus(Qt::OtherFocusReason);
    setAttribute(Qt::WA_KeyboardFocusChange);
}
