#include "output_label.h"

void OutputLabel::setResult(const QString &result) {
    if (result == text()) {
        return;
    }
    if (!designedFont) {
        designedFont = font();
    }
    // The largest whole pixel size up to the designed one at which the
    // result fits; an age of eleven characters ("-2000001990") is the widest.
    // A result that fits even in the font's widest glyphs is not measured.
    QFont fitting = *designedFont;
    const int room = contentsRect().width();
    const QFontMetrics designed(fitting);
    const int wide =
        result.size() * designed.maxWidth() <= room ? 0 : designed.horizontalAdvance(result);
    if (wide > room) {
        int pixels = std::max(6, designedFont->pixelSize() * room / wide);
        fitting.setPixelSize(pixels);
        while (pixels > 6 && QFontMetrics(fitting).horizontalAdvance(result) > room) {
            fitting.setPixelSize(--pixels);
        }
    }
    if (fitting != font()) {
        setFont(fitting);
    }
    setText(result);
}

void OutputLabel::setTextColour(const QColor &colour) {
    if (palette().color(QPalette::WindowText) != colour) {
        QPalette changed = palette();
        changed.setColor(QPalette::WindowText, colour);
        setPalette(changed);
    }
}
