#include "option_button.h"

#include <QFocusEvent>

void OptionButton::setTabStop(bool on) {
    isTabStop = on;
    applyTabStop();
}

void OptionButton::focusInEvent(QFocusEvent *event) {
    QRadioButton::focusInEvent(event);
    // Qt has just given this button, and taken from its siblings, the Tab stop.
    const auto siblings = parentWidget()->findChildren<OptionButton *>(Qt::FindDirectChildrenOnly);
    for (OptionButton *button : siblings) {
        button->applyTabStop();
    }
}

void OptionButton::applyTabStop() {
    setFocusPolicy(isTabStop ? Qt::StrongFocus : Qt::ClickFocus);
}
