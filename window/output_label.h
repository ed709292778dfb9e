#pragma once

#include <QLabel>
#include <optional>

// A label that shows a result. A result too wide for the label at its font is
// drawn smaller, so that it is always seen whole. Screen readers hear the
// result as the label's name, as for any label, and Qt announces each change.
class OutputLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    void setResult(const QString &text);
    void setTextColour(const QColor &colour);

private:
    std::optional<QFont> designedFont; // the font the window gave it
};
