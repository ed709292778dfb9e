#pragma once

#include "click_sequence.h"

#include <QLineEdit>

// A single-line text box that reports a click once the line edit has done
// its own handling of the mouse, so that whatever the click handler selects
// is what stays selected.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void clicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    ClickSequence clicks;
};
