#pragma once

#include <QLabel>

// A label that shows a result. Screen readers know it by its accessible name
// (九星, 干支, ...) and read the result as its value; every change of the
// result is announced.
class OutputLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    void setResult(const QString &text);
};
