#include "look.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QToolTip>

QColor colourFromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// The window's faces are Windows fonts; the substitution table names their
// Linux twins, and the font asks for the first twin directly. Asking for the
// missing Windows face would cost a fontconfig alias search for every font,
// and a list of families has Qt resolve the fallbacks of each font at once
// rather than when a glyph is missing.
QFont descriptionFont(Face face, int pixels) {
    const QString named = (face == Face::Gothic ? fixedFace : proportionalFace).toString();
    QFont font(QFont::substitutes(named).value(0, named));
    font.setPixelSize(face == Face::Window ? windowFontPixels : pixels);
    font.setWeight(QFont::Normal);
    return font;
}

// The light colours the window was drawn with ("default colours"), for every
// role in every group. A desktop's dark theme would otherwise give white text
// on the window's fixed white and light-grey grounds.
QPalette windowPalette() {
    const QColor black(Qt::black), white(Qt::white), face(0xEF, 0xEF, 0xEF);
    QPalette palette(black, face, white, QColor(0x9F, 0x9F, 0x9F), QColor(0xB8, 0xB8, 0xB8), black,
                     white, white, face);
    palette.setColor(QPalette::Midlight, QColor(0xCA, 0xCA, 0xCA));
    palette.setColor(QPalette::Shadow, QColor(0x76, 0x76, 0x76));
    palette.setColor(QPalette::AlternateBase, QColor(0xF7, 0xF7, 0xF7));
    palette.setColor(QPalette::Highlight, QColor(0x30, 0x8C, 0xC6));
    palette.setColor(QPalette::HighlightedText, white);
    palette.setColor(QPalette::Link, QColor(0x00, 0x00, 0xFF));
    palette.setColor(QPalette::LinkVisited, QColor(0xFF, 0x00, 0xFF));
    palette.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xDC));
    palette.setColor(QPalette::ToolTipText, black);
    palette.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 128));
    // Disabled text shows greyed, yet readable on the window's grey.
    const QColor greyed = colourFromBgr(colour::disabledText);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, greyed);
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, face);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x91, 0x91, 0x91));
    return everyRoleSet(palette);
}

QPalette everyRoleSet(QPalette palette) {
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            palette.setBrush(g, r, palette.brush(g, r));
        }
    }
    return palette;
}

void installLook() {
    // Debian's IPA fonts are designed with the same metrics as the Windows faces.
    QFont::insertSubstitutions(proportionalFace.toString(),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    QFont::insertSubstitutions(fixedFace.toString(), {QStringLiteral("IPAGothic"),
                                                      QStringLiteral("Noto Sans Mono CJK JP")});
    // The window's own font for everything without one, tooltips included;
    // Qt also lays out a new control's text in it before the control's own
    // font applies, so a Latin face would be loaded for nothing.
    QApplication::setFont(descriptionFont(Face::Window, 0));
    // One style everywhere, so that the fixed geometry holds whatever style
    // the desktop asks for (Adwaita's list arrow would leave no room for an
    // era's name), and readable tooltips on a dark desktop too.
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The style sizes its arrows, indicators and frames for 96 dpi, as the
    // fonts (in pixels) are: at a larger font DPI without screen scaling the
    // list's arrow would otherwise grow over the era's name.
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    QToolTip::setPalette(windowPalette());
}
