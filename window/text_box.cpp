#include "text_box.h"

void TextBox::mouseDoubleClickEvent(QMouseEvent *event) {
    QLineEdit::mouseDoubleClickEvent(event);
    clicks.doubleClicked(*event);
}

void TextBox::mouseReleaseEvent(QMouseEvent *event) {
    QLineEdit::mouseReleaseEvent(event);
    if (clicks.releaseIsClick(*event)) {
        emit clicked();
    }
}
