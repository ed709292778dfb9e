#include "form_description.h"

#include "era_conversion.h"
#include "option_button.h"
#include "output_label.h"
#include "picture_box.h"
#include "text_box.h"

#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <algorithm>
#include <map>
#include <vector>

void setTabStop(QWidget *control, bool tabStop) {
    if (auto *option = qobject_cast<OptionButton *>(control)) {
        option->setTabStop(tabStop);
    } else {
        control->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

namespace {

Qt::Alignment alignment(unsigned flags) {
    if (flags & flag::alignRight) {
        return Qt::AlignRight;
    }
    if (flags & flag::alignCentre) {
        return Qt::AlignHCenter;
    }
    return Qt::AlignLeft;
}

// A control of type W with its font and place, given before any text so that
// the text is laid out once, in that font and room. The font is set even for
// the window's own face: a control in the frame would otherwise take the
// frame's font.
template <typename W> W *withFont(const ControlDescription &d, QWidget *parent) {
    auto *control = new W(parent);
    control->setFont(descriptionFont(d.face, d.fontPixels));
    control->setGeometry(twipsToPixels(d.left), twipsToPixels(d.top), twipsToPixels(d.width),
                         twipsToPixels(d.height));
    return control;
}

QWidget *createControl(const ControlDescription &d, QWidget *parent) {
    const QString text = d.text.toString();
    switch (d.kind) {
    case ControlKind::DropDownList: {
        auto *list = withFont<QComboBox>(d, parent);
        for (const auto &entry : almanac::eraTable) {
            list->addItem(QString::fromStdU16String(std::u16string(entry.listText)));
        }
        list->setCurrentIndex(-1); // the load handler chooses the entry
        return list;
    }
    case ControlKind::Frame: {
        auto *frame = withFont<QGroupBox>(d, parent);
        frame->setTitle(text);
        return frame;
    }
    case ControlKind::TextBox: {
        auto *box = withFont<TextBox>(d, parent);
        box->setText(text);
        box->setAlignment(alignment(d.flags) | Qt::AlignVCenter);
        if (d.flags & flag::maxFour) {
            box->setMaxLength(4);
        }
        return box;
    }
    case ControlKind::OptionButton: {
        auto *option = withFont<OptionButton>(d, parent);
        option->setText(text);
        option->setChecked(d.flags & flag::selected);
        return option;
    }
    case ControlKind::Label: {
        // Captions too are drawn whole in whatever Japanese face stands in.
        auto *label = withFont<OutputLabel>(d, parent);
        // Label text sits at the top of its box, as the layout was drawn for.
        label->setAlignment(alignment(d.flags) | Qt::AlignTop);
        label->setMargin(0);
        label->setIndent(0);
        label->setResult(text);
        return label;
    }
    case ControlKind::Image: return withFont<PictureBox>(d, parent);
    }
    return nullptr;
}

} // namespace

namespace {
// Each row's container and each caption's pair, as rows found while
// compiling: a name missing from the table does not build.
constexpr std::size_t noContainer = formControls.size();
consteval std::array<std::size_t, formControls.size()> findContainerRows() {
    std::array<std::size_t, formControls.size()> rows{};
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const char *container = formControls[row].container;
        rows[row] = container ? controlIndex(container) : noContainer;
    }
    return rows;
}
constexpr auto containerRows = findContainerRows();
consteval std::array<std::pair<std::size_t, std::size_t>, captions.size()> findCaptionRows() {
    std::array<std::pair<std::size_t, std::size_t>, captions.size()> rows{};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = {controlIndex(captions[i].first), controlIndex(captions[i].second)};
    }
    return rows;
}
constexpr auto captionRows = findCaptionRows();
} // namespace

BuiltControls buildControls(QWidget *form) {
    const QPalette light = windowPalette(); // made once, copied for each control
    BuiltControls built{};
    std::map<int, QWidget *> byTabIndex;
    std::vector<QWidget *> startDisabled;
    for (std::size_t row = 0; row < formControls.size(); ++row) {
        const ControlDescription &d = formControls[row];
        QWidget *parent = containerRows[row] == noContainer ? form : built[containerRows[row]];
        QWidget *control = createControl(d, parent);
        built[row] = control;
        control->setObjectName(QLatin1String(d.name));
        QPalette palette = light;
        if (d.backColour != colour::standard) {
            const QColor background = colourFromBgr(d.backColour);
            for (const auto role : {QPalette::Window, QPalette::Base}) {
                palette.setColor(role, background); // every colour group, disabled included
            }
        }
        control->setPalette(palette);
        control->setAutoFillBackground(d.kind != ControlKind::TextBox &&
                                       d.kind != ControlKind::DropDownList);
        control->setToolTip(d.toolTip.toString());
        if (d.flags & flag::output || d.kind == ControlKind::DropDownList) {
            control->setAccessibleDescription(d.spoken.toString());
        } else {
            control->setAccessibleName(d.spoken.toString());
        }
        if (d.flags & flag::disabled) {
            startDisabled.push_back(control);
        }
        if (d.kind == ControlKind::TextBox || d.kind == ControlKind::OptionButton ||
            d.kind == ControlKind::DropDownList) {
            setTabStop(control, !(d.flags & flag::notTabStop));
        }
        if (d.tabIndex >= 0 && control->focusPolicy() != Qt::NoFocus) {
            byTabIndex[d.tabIndex] = control;
        }
    }
    // Tab order follows the tab indices. Qt's chain is a ring that starts in
    // creation order, so the first control must also be given the focus the
    // window will open with.
    QWidget *previous = nullptr;
    for (const auto &[index, control] : byTabIndex) {
        if (previous) {
            QWidget::setTabOrder(previous, control);
        }
        previous = control;
    }
    if (!byTabIndex.empty()) {
        byTabIndex.begin()->second->setFocus(Qt::OtherFocusReason);
    }
    for (const auto &[caption, captioned] : captionRows) {
        static_cast<QLabel *>(built[caption])->setBuddy(built[captioned]);
    }
    // Only now: Qt leaves a disabled control out of setTabOrder.
    for (QWidget *control : startDisabled) {
        control->setEnabled(false);
    }
    return built;
}
