#include "accessibility.h"

#include "output_label.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace {

class OutputLabelAccessible : public QAccessibleWidget {
public:
    explicit OutputLabelAccessible(QWidget *label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name: return widget()->accessibleName();
        case QAccessible::Value: return static_cast<const QLabel *>(widget())->text();
        default: return QAccessibleWidget::text(t);
        }
    }
};

class NamedListAccessible : public QAccessibleWidget {
public:
    explicit NamedListAccessible(QWidget *list) : QAccessibleWidget(list, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return widget()->accessibleName().isEmpty() ? list()->currentText()
                                                        : widget()->accessibleName();
        case QAccessible::Value: return list()->currentText();
        default: return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = list()->view() && list()->view()->isVisible();
        return s;
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }

    void doAction(const QString &actionName) override {
        if (actionName == showMenuAction()) {
            list()->showPopup();
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }

private:
    QComboBox *list() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *factory(const QString &className, QObject *object) {
    if (!object || !object->isWidgetType()) {
        return nullptr;
    }
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("OutputLabel")) {
        return new OutputLabelAccessible(widget);
    }
    // Decided by class alone: Qt asks (and caches the answer) while the
    // control is still being built, before it has its name.
    if (className == QLatin1String("QComboBox")) {
        return new NamedListAccessible(widget);
    }
    return nullptr; // Qt's own description
}

} // namespace

void installAccessibility() {
    QAccessible::installFactory(factory);
}
