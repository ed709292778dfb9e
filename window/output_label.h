#pragma once

#include <QLabel>
#include <optional>
#include <utility>

// A label that shows its text whole: a result, or a static caption. A text too
// wide or too tall for the label at its font is drawn smaller or raised. Screen readers hear the
// result as the label's name, as for any label.
class OutputLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    void setResult(const QString &text);
    void setTextColour(const QColor &colour);

signals:
    void resultShown(); // the text changed

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect inkBox(const QFont &font);

    std::optional<QFont> designedFont;        // the font the window gave it
    std::optional<std::pair<int, QRect>> ink; // inkBox's last answer, by pixel size
    int raise = 0;                            // pixels the glyphs are drawn above their line
};
