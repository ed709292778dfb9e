#pragma once

#include <QStringView>
#include <array>
#include <cstdint>

class QColor;
class QFont;
class QWidget;

// The window as data: one row per control, in the order the window holds
// them, with positions in twips (1/15 of a pixel at 96 dpi) relative to the
// window's client area or to the frame the control sits in.

enum class ControlKind { DropDownList, Frame, TextBox, OptionButton, Label, Image };

enum class Face { Window, PGothic, Gothic };

// Colours are written &HBBGGRR, blue in the high byte.
inline constexpr std::uint32_t standardColours = 0xFFFFFFFF; // the platform's own

namespace flag {
inline constexpr unsigned disabled = 1;    // starts disabled
inline constexpr unsigned maxFour = 2;     // at most four characters
inline constexpr unsigned selected = 4;    // option button selected at start
inline constexpr unsigned notTabStop = 8;  // Tab and Shift+Tab pass it by
inline constexpr unsigned alignRight = 16; // otherwise left-aligned
inline constexpr unsigned alignCentre = 32;
inline constexpr unsigned output = 64; // shows a result, announced when it changes
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
    QStringView accessibleName; // what a screen reader calls it
};

inline constexpr int twipsPerPixel = 15;
constexpr int twipsToPixels(int twips) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

inline constexpr int formWidthTwips = 6240;
inline constexpr int formHeightTwips = 4380;
inline constexpr std::uint32_t formBackColour = 0xC0C0C0;
inline constexpr QStringView formCaption = u"Quindal";

// The two Japanese faces the window names: proportional and fixed pitch.
inline constexpr QStringView proportionalFace = u"ＭＳ Ｐゴシック";
inline constexpr QStringView fixedFace = u"ＭＳ ゴシック";

// The window's own font, used by controls without one: a Japanese UI face of
// about 9 points.
inline constexpr int windowFontPixels = 12;

extern const std::array<ControlDescription, 20> formControls;

QColor colourFromBgr(std::uint32_t bgr);
QFont descriptionFont(Face face, int pixels);

// Maps the two Japanese faces to their metric-compatible Linux twins.
void installFontSubstitutions();

// Creates every control of `formControls` as a child of `form` (or of its
// container), named by its control name, and sets the tab order.
void buildControls(QWidget *form);

// Turns Tab and Shift+Tab visits on or off for a control.
void setTabStop(QWidget *control, bool tabStop);
