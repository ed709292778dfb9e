#pragma once

#include "look.h"

#include <QStringView>
#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

class QComboBox;
class QGroupBox;
class QWidget;
class OptionButton;
class OutputLabel;
class PictureBox;
class TextBox;

// The window as data: one row per control, in the order the window holds
// them, with positions in twips (1/15 of a pixel at 96 dpi) relative to the
// window's client area or to the frame the control sits in.

enum class ControlKind { DropDownList, Frame, TextBox, OptionButton, Label, Image };

namespace flag {
inline constexpr unsigned disabled = 1;    // starts disabled
inline constexpr unsigned maxFour = 2;     // at most four characters
inline constexpr unsigned selected = 4;    // option button selected at start
inline constexpr unsigned notTabStop = 8;  // Tab and Shift+Tab pass it by
inline constexpr unsigned alignRight = 16; // otherwise left-aligned
inline constexpr unsigned alignCentre = 32;
inline constexpr unsigned output = 64; // shows a result
} // namespace flag

struct ControlDescription {
    ControlKind kind;
    const char *name;
    const char *container; // nullptr: the window itself
    int left, top, width, height;
    int tabIndex; // -1: none
    QStringView text;
    Face face;
    int fontPixels; // whole pixels at 96 dpi; 0 with Face::Window
    std::uint32_t backColour;
    QStringView toolTip;
    unsigned flags;
    // What a screen reader says the control is: the name of an input or the
    // picture; the description of a result or of the era list, whose name is
    // what they show.
    QStringView spoken;
};

inline constexpr int twipsPerPixel = 15;
constexpr int twipsToPixels(int twips) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

inline constexpr int formWidthTwips = 6240;
inline constexpr int formHeightTwips = 4380;
inline constexpr std::uint32_t formBackColour = colour::grey;
inline constexpr QStringView formCaption = u"Quindal";

// clang-format off
inline constexpr std::array<ControlDescription, 20> formControls{{
//   kind          name          container  left   top  width height tab  text              face          px  background       tooltip  flags  spoken
    {ControlKind::DropDownList, "cboGengo",   nullptr,    480,  240,  890,  375,  15, u"",              Face::Gothic,  17, colour::standard, u"↑↓で選択  Tabで入力欄に移動", 0, u"元号"},
    {ControlKind::Frame,        "Frame1",     nullptr,    360, 1560, 2655, 2535,   1, u"何歳？",        Face::PGothic, 15, colour::standard, u"", 0, u""},
    {ControlKind::TextBox,      "textShitei", "Frame1",  1080, 1200,  975,  450,   5, u"1990",          Face::PGothic, 21, colour::grey,            u"", flag::disabled | flag::maxFour | flag::alignRight, u"指定年"},
    {ControlKind::OptionButton, "Option2",    "Frame1",   240,  840, 1815,  315,   3, u"下記の年では",  Face::Window,   0, colour::standard, u"", flag::notTabStop, u""},
    {ControlKind::OptionButton, "Option1",    "Frame1",   240,  360, 1935,  345,   2, u"今年の誕生日で", Face::Window,  0, colour::standard, u"フォーカスがあると↑↓キーで変更できます", flag::selected, u""},
    {ControlKind::Label,        "Label11",    "Frame1",  2160, 2040,  255,  255,  14, u"歳",            Face::PGothic, 16, colour::standard, u"", 0, u""},
    {ControlKind::Label,        "lblnenrei",  "Frame1",  1080, 1920,  975,  375,  13, u"",              Face::PGothic, 27, colour::lightGrey,       u"", flag::alignRight | flag::output, u"年齢"},
    {ControlKind::Label,        "Label13",    "Frame1",  2160, 1320,  375,  375,   4, u"年",            Face::PGothic, 16, colour::standard, u"", 0, u""},
    {ControlKind::Label,        "Label12",    "Frame1",   480, 1320,  615,  375,   6, u"西暦",          Face::PGothic, 16, colour::standard, u"", 0, u""},
    {ControlKind::TextBox,      "textNen",    nullptr,   1440,  240,  975,  375,   0, u"",              Face::PGothic, 21, colour::white,           u"Tabで選択欄に移動", flag::maxFour | flag::alignRight, u"年"},
    {ControlKind::Label,        "Label3",     nullptr,   2520, 1050,  495,  375,  18, u"年",            Face::PGothic, 16, colour::standard, u"", 0, u""},
    {ControlKind::Label,        "lblNen",     nullptr,   1440,  995,  975,  340,  17, u"",              Face::PGothic, 21, colour::lightGrey,       u"", flag::alignRight | flag::output, u"年"},
    {ControlKind::Label,        "lblGengo",   nullptr,    840, 1050,  615,  375,  16, u"",              Face::Gothic,  17, colour::standard, u"", flag::output, u"元号"},
    {ControlKind::Image,        "Image1",     nullptr,   3480, 1680, 2400, 2400,  -1, u"",              Face::Window,   0, colour::standard, u"", 0, u"十二支の絵"},
    {ControlKind::Label,        "lblkana",    nullptr,   3840,  720, 1695,  255,  12, u"",              Face::Window,   0, colour::standard, u"", flag::alignCentre | flag::output, u"読み"},
    {ControlKind::Label,        "Label8",     nullptr,   3360, 1080,  375,  255,  11, u"干支",          Face::Window,   0, colour::standard, u"Ver. 1.34   by Mervok ", 0, u""},
    {ControlKind::Label,        "Label7",     nullptr,   3360,  360,  375,  255,  10, u"九星",          Face::Window,   0, colour::standard, u"元気？ v(^o^) ♪♪ ", 0, u""},
    {ControlKind::Label,        "lbleto",     nullptr,   3840,  960, 1695,  375,   7, u"",              Face::PGothic, 24, colour::lightGrey,       u"いわゆる「えと」です", flag::alignCentre | flag::output, u"干支"},
    {ControlKind::Label,        "lbl9sei",    nullptr,   3840,  240, 1695,  375,   8, u"",              Face::PGothic, 24, colour::lightGrey,       u"暦にのってるあれです", flag::alignCentre | flag::output, u"九星"},
    {ControlKind::Label,        "Label4",     nullptr,   2520,  350,  495,  375,   9, u"年",            Face::PGothic, 16, colour::standard, u"", 0, u""},
}};
// clang-format on

// The static captions, and the control each one captions: a screen reader
// hears the caption with it.
inline constexpr std::array<std::pair<const char *, const char *>, 7> captions{{
    {"Label4", "textNen"},
    {"Label3", "lblNen"},
    {"Label7", "lbl9sei"},
    {"Label8", "lbleto"},
    {"Label12", "textShitei"},
    {"Label13", "textShitei"},
    {"Label11", "lblnenrei"},
}};

// The row of a control; evaluated while compiling, a misspelt name does not
// build.
constexpr std::size_t rowNamed(std::string_view name) {
    for (std::size_t i = 0; i < formControls.size(); ++i) {
        if (name == formControls[i].name) {
            return i;
        }
    }
    throw "no control of that name";
}
consteval std::size_t controlIndex(std::string_view name) {
    return rowNamed(name);
}

// The class each kind of control is built as, and the flags a row needs to
// be bound to a member of that class: only a result is an OutputLabel member.
template <ControlKind Kind, unsigned Flags = 0> struct Built {
    static constexpr ControlKind kind = Kind;
    static constexpr unsigned flags = Flags;
};
template <typename W> struct BuiltAs;
template <> struct BuiltAs<QComboBox> : Built<ControlKind::DropDownList> {};
template <> struct BuiltAs<QGroupBox> : Built<ControlKind::Frame> {};
template <> struct BuiltAs<TextBox> : Built<ControlKind::TextBox> {};
template <> struct BuiltAs<OptionButton> : Built<ControlKind::OptionButton> {};
template <> struct BuiltAs<OutputLabel> : Built<ControlKind::Label, flag::output> {};
template <> struct BuiltAs<PictureBox> : Built<ControlKind::Image> {};

// The row of a control to be held as a `W`, checked while compiling: a row of
// another kind, or a label without the output flag, does not build.
template <typename W> consteval std::size_t boundRow(std::string_view name) {
    const std::size_t row = rowNamed(name);
    const ControlDescription &d = formControls[row];
    if (d.kind != BuiltAs<W>::kind || (d.flags & BuiltAs<W>::flags) != BuiltAs<W>::flags) {
        throw "the control is not built as the member's class";
    }
    return row;
}

// A control name as a template argument, so that its row is found while
// compiling.
template <std::size_t N> struct ControlName {
    consteval ControlName(const char (&name)[N]) { std::copy_n(name, N, text); }
    constexpr std::string_view view() const { return {text, N - 1}; }
    char text[N];
};

// The controls built, in the rows' order.
using BuiltControls = std::array<QWidget *, formControls.size()>;

// Sets `member` to the built control named `name`, checked as above.
template <ControlName name, typename W> void bind(W *&member, const BuiltControls &built) {
    constexpr std::size_t row = boundRow<W>(name.view());
    member = static_cast<W *>(built[row]);
}

// Creates every control of `formControls` as a child of `form` (or of its
// container), named by its control name, and sets the tab order.
BuiltControls buildControls(QWidget *form);

// Turns Tab and Shift+Tab visits on or off for a control.
void setTabStop(QWidget *control, bool tabStop);
