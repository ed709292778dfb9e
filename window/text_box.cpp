#include "text_box.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QValidator>
#include <utility>

namespace {
// Accepts every text, less any half of a surrogate pair. The line edit puts
// the mended text in place before it reports a change.
class WholeCharacters : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &position) const override {
        for (qsizetype i = input.size() - 1; i >= 0; --i) {
            const bool paired =
                input[i].isHighSurrogate()
                    ? i + 1 < input.size() && input[i + 1].isLowSurrogate()
                    : !input[i].isLowSurrogate() || (i > 0 && input[i - 1].isHighSurrogate());
            if (!paired) {
                input.remove(i, 1);
                position -= position > i ? 1 : 0;
            }
        }
        return Acceptable;
    }
};
} // namespace

TextBox::TextBox(QWidget *parent) : QLineEdit(parent) {
    setValidator(new WholeCharacters(this));
}

void TextBox::mouseDoubleClickEvent(QMouseEvent *event) {
    QLineEdit::mouseDoubleClickEvent(event);
    clicks.doubleClicked(*event);
}

void TextBox::focusInEvent(QFocusEvent *event) {
    enteringByMouse = event->reason() == Qt::MouseFocusReason;
    QLineEdit::focusInEvent(event);
}

// Known before the line edit handles the event, since the change it reports
// (a selection replaced by the composition) comes from inside that handling.
void TextBox::inputMethodEvent(QInputMethodEvent *event) {
    composing = !event->preeditString().isEmpty();
    QLineEdit::inputMethodEvent(event);
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
