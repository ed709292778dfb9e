#include "text_box.h"

#include <QFocusEvent>
#include <utility>

void TextBox::mouseDoubleClickEvent(QMouseEvent *event) {
    QLineEdit::mouseDoubleClickEvent(event);
    clicks.doubleClicked(*event);
}

void TextBox::focusInEvent(QFocusEvent *event) {
    enteringByMouse = event->reason() == Qt::MouseFocusReason;
    QLineEdit::focusInEvent(event);
}

void TextBox::mouseReleaseEvent(QMouseEvent *event) {
    QLineEdit::mouseReleaseEvent(event);
    if (clicks.releaseIsClick(*event)) {
        emit clicked();
    }
    if (std::exchange(enteringByMouse, false)) {
        emit enteredByClick();
    }
}
