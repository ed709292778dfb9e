#include "accessibility.h"

#include "main_window.h"
#include "output_label.h"
#include "text_box.h"
#include "window_frame.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMetaObject>
#include <algorithm>

namespace {

// A text box as a screen reader reads it. Qt's own answers a question for
// the text's attributes with an empty run, and Orca, which reads a line in
// the runs it is given, then leaves out the last character of a selected
// text ("198" for 1984). The box has no attributes: its whole text is one
// run.
class TextBoxAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    explicit TextBoxAccessible(QWidget *box) : QAccessibleWidget(box, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface *>(this);
        }
        if (type == QAccessible::EditableTextInterface) {
            return static_cast<QAccessibleEditableTextInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value && !box()->text().isEmpty()) {
            return box()->text();
        }
        return QAccessibleWidget::text(t);
    }

    void setText(QAccessible::Text t, const QString &text) override {
        if (t == QAccessible::Value) {
            box()->setText(text);
        } else {
            QAccessibleWidget::setText(t, text);
        }
    }

    // A box with a name of its own is called by it: the designated year is
    // "指定年", not one of its two captions, of which Orca would say only one.
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto related = QAccessibleWidget::relations(match);
        if (!box()->accessibleName().isEmpty()) {
            related.removeIf(
                [](const auto &relation) { return relation.second & QAccessible::Label; });
        }
        return related;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.selectableText = true;
        return state;
    }

    // The text interface.
    QString attributes(int offset, int *startOffset, int *endOffset) const override {
        *startOffset = 0;
        *endOffset = std::max(characterCount(), offset);
        return {};
    }
    void selection(int index, int *startOffset, int *endOffset) const override {
        *startOffset = *endOffset = 0;
        if (index == 0 && box()->hasSelectedText()) {
            *startOffset = box()->selectionStart();
            *endOffset = box()->selectionEnd();
        }
    }
    int selectionCount() const override { return box()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int index) override {
        if (index == 0) {
            box()->deselect();
        }
    }
    void setSelection(int index, int startOffset, int endOffset) override {
        if (index == 0) {
            box()->setSelection(startOffset, endOffset - startOffset);
        }
    }
    int cursorPosition() const override { return box()->cursorPosition(); }
    // A screen reader that has read on past the focused control (Orca 48's
    // Say All) leaves the caret where it stopped and takes that box for the
    // focus. The focus has not moved, so the screen reader is told where it is.
    void setCursorPosition(int position) override {
        box()->setCursorPosition(position);
        if (!box()->hasFocus()) {
            reportFocusAfterThisEvent();
        }
    }
    QString text(int startOffset, int endOffset) const override {
        return startOffset > endOffset ? QString()
                                       : box()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(box()->text().size()); }
    // Measured from the caret, which the box places whatever its alignment.
    QRect characterRect(int offset) const override {
        const QString text = box()->text();
        if (offset < 0 || offset >= text.size()) {
            return {};
        }
        const QFontMetrics metrics(box()->font());
        const QRect caret = box()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int x = caret.center().x() -
                      metrics.horizontalAdvance(text.left(box()->cursorPosition())) +
                      metrics.horizontalAdvance(text.left(offset));
        const QRect character(x, caret.top(), metrics.horizontalAdvance(text.mid(offset, 1)),
                              caret.height());
        return character.translated(box()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint &point) const override {
        return box()->cursorPositionAt(box()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        box()->setCursorPosition(endIndex);
        box()->setCursorPosition(startIndex);
    }

    // The editable text interface.
    void deleteText(int startOffset, int endOffset) override {
        box()->setText(box()->text().remove(startOffset, endOffset - startOffset));
    }
    void insertText(int offset, const QString &text) override {
        box()->setText(box()->text().insert(offset, text));
    }
    void replaceText(int startOffset, int endOffset, const QString &text) override {
        box()->setText(box()->text().replace(startOffset, endOffset - startOffset, text));
    }

private:
    QLineEdit *box() const { return static_cast<QLineEdit *>(widget()); }
};

// A label: a result, named by what it shows, or a caption, by which the
// control it captions is labelled. The caption does not call itself the label
// for that control: Orca 51's flat review leaves out a label for a control it
// shows, as said with it, and a result is said by its value alone, so the
// caption would be lost. A screen reader's flat review reads the window in rows
// of boxes whose middles lie within a few pixels; a caption set a little
// lower than its result would start a row of its own, away from the value it
// names. So a caption spans, for screen readers, the height of the control it
// captions, and is read in that control's row.
class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(QWidget *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty()) {
            return label()->text();
        }
        return QAccessibleWidget::text(t);
    }

    QRect rect() const override {
        QRect box = QAccessibleWidget::rect();
        if (const QWidget *captioned = label()->buddy(); captioned && captioned->isVisible()) {
            const QRect row(captioned->mapToGlobal(QPoint(0, 0)), captioned->size());
            box.setTop(row.top());
            box.setBottom(row.bottom());
        }
        return box;
    }

private:
    QLabel *label() const { return static_cast<QLabel *>(widget()); }
};

// The window, as a window: Qt exposes a top-level widget as a filler, and a
// screen reader's "read title" finds the title only on a window. The same
// widget inside a frame (on Wayland) stays the filler it is. Its controls are
// told in reading order, top to bottom and then left to right, as the eye
// reads them, not in the order they were made. A screen reader that reads on
// from the focused box to the controls after it (Orca's Say All) would
// otherwise reach the year box from the designated year and take it for the
// focus once it had read it.
class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget *window) : QAccessibleWidget(window) {}

    QAccessible::Role role() const override {
        return widget()->isWindow() ? QAccessible::Window : QAccessible::Client;
    }

    QAccessibleInterface *child(int index) const override { return readingOrder().value(index); }
    int indexOfChild(const QAccessibleInterface *child) const override {
        return int(readingOrder().indexOf(child));
    }

private:
    QList<QAccessibleInterface *> readingOrder() const {
        QList<QAccessibleInterface *> children;
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
            if (QAccessibleInterface *child = QAccessibleWidget::child(i)) {
                children.append(child);
            }
        }
        const auto place = [](const QAccessibleInterface *child) {
            const auto *control = qobject_cast<const QWidget *>(child->object());
            const QPoint at = control ? control->pos() : QPoint();
            return std::pair(at.y(), at.x());
        };
        std::ranges::stable_sort(children, {}, place);
        return children;
    }
};

QAccessibleInterface *windowAccessibility(const QString &, QObject *object) {
    if (qobject_cast<Form1 *>(object) || qobject_cast<WindowFrame *>(object)) {
        return new WindowAccessible(static_cast<QWidget *>(object));
    }
    if (auto *box = qobject_cast<TextBox *>(object)) {
        return new TextBoxAccessible(box);
    }
    if (auto *label = qobject_cast<OutputLabel *>(object)) {
        return new LabelAccessible(label);
    }
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    if (auto *announcer = qobject_cast<Announcer *>(object)) {
        return new QAccessibleWidget(announcer, QAccessible::Notification);
    }
#endif
    return nullptr;
}

void reportFocus() {
    if (QWidget *focus = QApplication::focusWidget()) {
        QAccessibleEvent event(focus, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(windowAccessibility);
        return true;
    }();
    Q_UNUSED(installed);
}

Announcer::Announcer(QWidget *window) : QWidget(window) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
}

void Announcer::announce(const QString &text) {
    told = text;
    ++times;
    if (!QAccessible::isActive()) {
        return;
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(parentWidget(), text);
    QAccessible::updateAccessibility(&event);
#else
    setAccessibleName(text);
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
#endif
}

void reportFocusAfterThisEvent() {
    if (QAccessible::isActive()) {
        QMetaObject::invokeMethod(qApp, reportFocus, Qt::QueuedConnection);
    }
}
