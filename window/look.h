#pragma once

#include <QStringView>
#include <cstdint>

class QColor;
class QFont;
class QPalette;

// The window's look: its faces, colours and palette, for every control that
// draws something of its own.

enum class Face { Window, PGothic, Gothic };

// The window's colours, written &HBBGGRR (blue in the high byte).
namespace colour {
inline constexpr std::uint32_t black = 0x000000;
inline constexpr std::uint32_t red = 0x0000FF;
inline constexpr std::uint32_t grey = 0xC0C0C0;      // the window; the designated year while off
inline constexpr std::uint32_t lightGrey = 0xE0E0E0; // the result boxes
inline constexpr std::uint32_t white = 0xFFFFFF;     // a text box taking input
inline constexpr std::uint32_t disabledText = 0x808080;
inline constexpr std::uint32_t standard = 0xFFFFFFFF; // the window palette's own
} // namespace colour

// The two Japanese faces the window names: proportional and fixed pitch.
inline constexpr QStringView proportionalFace = u"ＭＳ Ｐゴシック";
inline constexpr QStringView fixedFace = u"ＭＳ ゴシック";

// The window's own font, used by controls without one: a Japanese UI face of
// about 9 points.
inline constexpr int windowFontPixels = 12;

QColor colourFromBgr(std::uint32_t bgr);
// The window's own light palette, which holds on a dark desktop too.
QPalette windowPalette();
// The palette with every role of every group set explicitly, so that a
// control given it keeps it rather than inheriting its parent's colours.
QPalette everyRoleSet(QPalette palette);
QFont descriptionFont(Face face, int pixels);

// Maps the two Japanese faces to their metric-compatible Linux twins, makes
// the window's own font the application's, and fixes the style and the
// tooltips' colours. Once per process.
void installLook();
