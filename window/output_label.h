#pragma once

#include <QLabel>
#include <optional>

// A label that shows a result. Screen readers know it by its accessible name
// (九星, 干支, ...) and read the result as its value; every change of the
// result is announced. A result too wide for the label at its font is drawn
// smaller, so that it is always seen whole.
class OutputLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    void setResult(const QString &text);
    void setTextColour(const QColor &colour);

private:
    std::optional<QFont> designedFont; // the font the window gave it
};
