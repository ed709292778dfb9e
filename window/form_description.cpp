#include "form_description.h"

#include "almanac/era_conversion.h"
#include "option_button.h"
#include "output_label.h"
#include "picture_box.h"
#include "text_box.h"

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <map>
#include <vector>

namespace {
using K = ControlKind;
constexpr std::uint32_t grey = 0xC0C0C0;
constexpr std::uint32_t lightGrey = 0xE0E0E0;
constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t disabledText = 0x808080;
} // namespace

// clang-format off
const std::array<ControlDescription, 20> formControls{{
//   kind          name          container  left   top  width height tab  text              face          px  background       tooltip  flags  accessible name
    {K::DropDownList, "cboGengo",   nullptr,    480,  240,  890,  375,  15, u"",              Face::Gothic,  17, standardColours, u"↑↓で選択  Tabで入力欄に移動", 0, u"元号"},
    {K::Frame,        "Frame1",     nullptr,    360, 1560, 2655, 2535,   1, u"何歳？",        Face::PGothic, 15, standardColours, u"", 0, u""},
    {K::TextBox,      "textShitei", "Frame1",  1080, 1200,  975,  450,   5, u"1990",          Face::PGothic, 21, grey,            u"", flag::disabled | flag::maxFour | flag::alignRight, u"指定年"},
    {K::OptionButton, "Option2",    "Frame1",   240,  840, 1815,  315,   3, u"下記の年では",  Face::Window,   0, standardColours, u"", flag::notTabStop, u""},
    {K::OptionButton, "Option1",    "Frame1",   240,  360, 1935,  345,   2, u"今年の誕生日で", Face::Window,  0, standardColours, u"フォーカスがあると↑↓キーで変更できます", flag::selected, u""},
    {K::Label,        "Label11",    "Frame1",  2160, 2040,  255,  255,  14, u"歳",            Face::PGothic, 16, standardColours, u"", 0, u""},
    {K::Label,        "lblnenrei",  "Frame1",  1080, 1920,  975,  375,  13, u"",              Face::PGothic, 27, lightGrey,       u"", flag::alignRight | flag::output, u"年齢"},
    {K::Label,        "Label13",    "Frame1",  2160, 1320,  375,  375,   4, u"年",            Face::PGothic, 16, standardColours, u"", 0, u""},
    {K::Label,        "Label12",    "Frame1",   480, 1320,  615,  375,   6, u"西暦",          Face::PGothic, 16, standardColours, u"", 0, u""},
    {K::TextBox,      "textNen",    nullptr,   1440,  240,  975,  375,   0, u"",              Face::PGothic, 21, white,           u"Tabで選択欄に移動", flag::maxFour | flag::alignRight, u"年"},
    {K::Label,        "Label3",     nullptr,   2520, 1050,  495,  375,  18, u"年",            Face::PGothic, 16, standardColours, u"", 0, u""},
    {K::Label,        "lblNen",     nullptr,   1440,  995,  975,  340,  17, u"",              Face::PGothic, 21, lightGrey,       u"", flag::alignRight | flag::output, u"年"},
    {K::Label,        "lblGengo",   nullptr,    840, 1050,  615,  375,  16, u"",              Face::Gothic,  17, standardColours, u"", flag::output, u"元号"},
    {K::Image,        "Image1",     nullptr,   3480, 1680, 2400, 2400,  -1, u"",              Face::Window,   0, standardColours, u"", 0, u"十二支の絵"},
    {K::Label,        "lblkana",    nullptr,   3840,  720, 1695,  255,  12, u"",              Face::Window,   0, standardColours, u"", flag::alignCentre | flag::output, u"読み"},
    {K::Label,        "Label8",     nullptr,   3360, 1080,  375,  255,  11, u"干支",          Face::Window,   0, standardColours, u"Ver. 1.34   by Mervok ", 0, u""},
    {K::Label,        "Label7",     nullptr,   3360,  360,  375,  255,  10, u"九星",          Face::Window,   0, standardColours, u"元気？ v(^o^) ♪♪ ", 0, u""},
    {K::Label,        "lbleto",     nullptr,   3840,  960, 1695,  375,   7, u"",              Face::PGothic, 24, lightGrey,       u"いわゆる「えと」です", flag::alignCentre | flag::output, u"干支"},
    {K::Label,        "lbl9sei",    nullptr,   3840,  240, 1695,  375,   8, u"",              Face::PGothic, 24, lightGrey,       u"暦にのってるあれです", flag::alignCentre | flag::output, u"九星"},
    {K::Label,        "Label4",     nullptr,   2520,  350,  495,  375,   9, u"年",            Face::PGothic, 16, standardColours, u"", 0, u""},
}};
// clang-format on

QColor colourFromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}


// The window's faces are Windows fonts; the substitution table names their
// Linux twins, and the font asks for the first twin directly. Asking for the
// missing Windows face would cost a fontconfig alias search for every font,
// and a list of families has Qt resolve the fallbacks of each font at once
// rather than when a glyph is missing.
QFont descriptionFont(Face face, int pixels) {
    installFontSubstitutions();
    const QString named = (face == Face::Gothic ? fixedFace : proportionalFace).toString();
    QFont font(QFont::substitutes(named).value(0, named));
    font.setPixelSize(face == Face::Window ? windowFontPixels : pixels);
    font.setWeight(QFont::Normal);
    return font;
}

void installFontSubstitutions() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    // Debian's IPA fonts are designed with the same metrics as the Windows faces.
    QFont::insertSubstitutions(proportionalFace.toString(),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    QFont::insertSubstitutions(fixedFace.toString(), {QStringLiteral("IPAGothic"),
                                                      QStringLiteral("Noto Sans Mono CJK JP")});
    // The window's own font for everything without one, tooltips included;
    // Qt also lays out a new control's text in it before the control's own
    // font applies, so a Latin face would be loaded for nothing.
    QApplication::setFont(descriptionFont(Face::Window, 0));
}

void setTabStop(QWidget *control, bool tabStop) {
    if (auto *option = qobject_cast<OptionButton *>(control)) {
        option->setTabStop(tabStop);
    } else {
        control->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

namespace {

// A palette in which every role is set, so that the control shows the
// platform's colours rather than inheriting the window's grey.
QPalette standardPalette() {
    QPalette palette = QApplication::palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            palette.setBrush(g, r, palette.brush(g, r));
        }
    }
    return palette;
}

Qt::Alignment alignment(unsigned flags) {
    if (flags & flag::alignRight) {
        return Qt::AlignRight;
    }
    if (flags & flag::alignCentre) {
        return Qt::AlignHCenter;
    }
    return Qt::AlignLeft;
}

// A control of type W with its font, given before any text so that the text
// is laid out once, in that font. Set even for the window's own face: a
// control in the frame would otherwise take the frame's font.
template <typename W> W *withFont(const ControlDescription &d, QWidget *parent) {
    auto *control = new W(parent);
    control->setFont(descriptionFont(d.face, d.fontPixels));
    return control;
}

QWidget *createControl(const ControlDescription &d, QWidget *parent) {
    const QString text = d.text.toString();
    switch (d.kind) {
    case K::DropDownList: {
        auto *list = withFont<QComboBox>(d, parent);
        for (const auto &entry : almanac::eraTable) {
            list->addItem(QString::fromStdU16String(std::u16string(entry.listText)));
        }
        list->setCurrentIndex(-1); // the load handler chooses the entry
        return list;
    }
    case K::Frame: {
        auto *frame = withFont<QGroupBox>(d, parent);
        frame->setTitle(text);
        return frame;
    }
    case K::TextBox: {
        auto *box = withFont<TextBox>(d, parent);
        box->setText(text);
        box->setAlignment(alignment(d.flags) | Qt::AlignVCenter);
        if (d.flags & flag::maxFour) {
            box->setMaxLength(4);
        }
        return box;
    }
    case K::OptionButton: {
        auto *option = withFont<OptionButton>(d, parent);
        option->setText(text);
        option->setChecked(d.flags & flag::selected);
        return option;
    }
    case K::Label: {
        QLabel *label = d.flags & flag::output ? withFont<OutputLabel>(d, parent)
                                               : withFont<QLabel>(d, parent);
        label->setText(text);
        // Label text sits at the top of its box, as the layout was drawn for.
        label->setAlignment(alignment(d.flags) | Qt::AlignTop);
        label->setMargin(0);
        label->setIndent(0);
        return label;
    }
    case K::Image: return withFont<PictureBox>(d, parent);
    }
    return nullptr;
}

} // namespace

void buildControls(QWidget *form) {
    std::map<int, QWidget *> byTabIndex;
    std::vector<QWidget *> startDisabled;
    for (const ControlDescription &d : formControls) {
        QWidget *parent =
            d.container ? form->findChild<QWidget *>(QLatin1String(d.container)) : form;
        QWidget *control = createControl(d, parent);
        control->setObjectName(QLatin1String(d.name));
        control->setGeometry(twipsToPixels(d.left), twipsToPixels(d.top), twipsToPixels(d.width),
                             twipsToPixels(d.height));
        QPalette palette = standardPalette();
        if (d.backColour != standardColours) {
            const QColor colour = colourFromBgr(d.backColour);
            for (const auto role : {QPalette::Window, QPalette::Base}) {
                palette.setColor(role, colour); // every colour group, disabled included
            }
        }
        if (d.kind == ControlKind::TextBox) {
            // Disabled text shows greyed, yet readable on the grey ground.
            palette.setColor(QPalette::Disabled, QPalette::Text, colourFromBgr(disabledText));
        }
        control->setPalette(palette);
        control->setAutoFillBackground(d.kind != ControlKind::TextBox &&
                                       d.kind != ControlKind::DropDownList);
        control->setToolTip(d.toolTip.toString());
        control->setAccessibleName(d.accessibleName.toString());
        if (d.flags & flag::disabled) {
            startDisabled.push_back(control);
        }
        if (d.kind == ControlKind::TextBox || d.kind == ControlKind::OptionButton ||
            d.kind == ControlKind::DropDownList) {
            setTabStop(control, !(d.flags & flag::notTabStop));
        }
        if (d.tabIndex >= 0 && control->focusPolicy() != Qt::NoFocus) {
            byTabIndex[d.tabIndex] = control;
        }
    }
    // Tab order follows the tab indices. Qt's chain is a ring that starts in
    // creation order, so the first control must also be given the focus the
    // window will open with.
    QWidget *previous = nullptr;
    for (const auto &[index, control] : byTabIndex) {
        if (previous) {
            QWidget::setTabOrder(previous, control);
        }
        previous = control;
    }
    if (!byTabIndex.empty()) {
        byTabIndex.begin()->second->setFocus(Qt::OtherFocusReason);
    }
    // Only now: Qt leaves a disabled control out of setTabOrder.
    for (QWidget *control : startDisabled) {
        control->setEnabled(false);
    }
}
