#include "output_label.h"

#include <QAccessible>

void OutputLabel::setResult(const QString &result) {
    if (result == text()) {
        return;
    }
    setText(result);
    QAccessibleValueChangeEvent event(this, result);
    QAccessible::updateAccessibility(&event);
}
