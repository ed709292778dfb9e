#pragma once

#include "click_sequence.h"

#include <QLineEdit>

// A single-line text box that reports a click, and an entry by a click, once
// the line edit has done its own handling of the mouse, so that whatever the
// handler then selects is what stays selected.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void clicked();
    void enteredByClick(); // the click that just ended brought the focus in

protected:
    void focusInEvent(QFocusEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    ClickSequence clicks;
    bool enteringByMouse = false;
};
