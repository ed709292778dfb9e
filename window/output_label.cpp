#include "output_label.h"

#include <QPainter>

// The result in the largest whole pixel size up to the designed one at which
// its glyphs fit the label, in width and in height, and how far they must be
// raised to fit. Japanese faces differ in their line height: the IPA faces'
// glyphs fit where the window was drawn for them, while Noto Sans CJK's taller
// line would put the lower half of 二黒土星 below the label.
void OutputLabel::setResult(const QString &result) {
    if (result == text()) {
        return;
    }
    if (!designedFont) {
        designedFont = font();
    }
    const QRect room = contentsRect();
    QFont fitting = *designedFont;
    const int designedPixels = designedFont->pixelSize();
    int pixels = designedPixels;
    raise = 0;
    for (;;) {
        const QFontMetrics metrics(fitting);
        // A result that fits even in the font's widest glyphs and tallest
        // line needs no measuring; an age of eleven characters
        // ("-2000001990") is the widest.
        const bool wideEnough = result.size() * metrics.maxWidth() <= room.width() ||
                                metrics.horizontalAdvance(result) <= room.width();
        bool highEnough = metrics.height() <= room.height();
        if (wideEnough && !highEnough) {
            // Drawn from the top, the glyphs start at the ascent; raised,
            // they must still start inside the label.
            const QRect ink = inkBox(fitting);
            raise = std::max(0, metrics.ascent() + ink.bottom() + 1 - room.height());
            highEnough = metrics.ascent() + ink.top() - raise >= 0;
        }
        if ((wideEnough && highEnough) || pixels <= 6) {
            break;
        }
        // Start from a proportional guess when the width is what is lacking.
        const int guess = wideEnough ? pixels - 1
                                     : std::min(pixels - 1, designedPixels * room.width() /
                                                                metrics.horizontalAdvance(result));
        pixels = std::max(6, guess);
        fitting.setPixelSize(pixels);
    }
    if (fitting != font()) {
        setFont(fitting);
    }
    setText(result);
    emit resultShown();
}

// How far above and below the baseline the glyphs of any text the window
// shows (kanji, kana, digits, a minus sign) can reach in a font, measured
// once per size rather than for every result.
QRect OutputLabel::inkBox(const QFont &font) {
    if (!ink || ink->first != font.pixelSize()) {
        ink = {font.pixelSize(), QFontMetrics(font).tightBoundingRect(QStringLiteral("国年歳-0"))};
    }
    return ink->second;
}

void OutputLabel::setTextColour(const QColor &colour) {
    if (palette().color(QPalette::WindowText) != colour) {
        QPalette changed = palette();
        changed.setColor(QPalette::WindowText, colour);
        setPalette(changed);
    }
}

// Drawn as a label draws it, raised when its face's line is taller than the
// label.
void OutputLabel::paintEvent(QPaintEvent *event) {
    if (raise == 0) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect().adjusted(0, -raise, 0, 0), int(alignment()), text());
}
