#include "output_label.h"

#include <QAccessible>

void OutputLabel::setResult(const QString &result) {
    if (result == text()) {
        return;
    }
    setText(result);
    if (QAccessible::isActive()) { // no screen reader, no work on every keystroke
        QAccessibleValueChangeEvent event(this, result);
        QAccessible::updateAccessibility(&event);
    }
}
