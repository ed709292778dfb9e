#pragma once

#include "click_sequence.h"

#include <QLineEdit>

// A single-line text box that reports a click, and an entry by a click, once
// the line edit has done its own handling of the mouse, so that whatever the
// handler then selects is what stays selected. It never holds half a
// character: where its length limit, counted in UTF-16 units, cuts a
// surrogate pair in two, the half that is left is dropped. It knows when an
// input method is composing in it.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    // Whether an input method is composing text in the box: its text then
    // must not be set, which would end the composition.
    bool isComposing() const { return composing; }

signals:
    void clicked();
    void enteredByClick(); // the click that just ended brought the focus in

protected:
    void focusInEvent(QFocusEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    ClickSequence clicks;
    bool enteringByMouse = false;
    bool composing = false;
};
