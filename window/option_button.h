#pragma once

#include <QRadioButton>

// An option button whose Tab stop stays as the window set it. Qt makes an
// auto-exclusive radio button a Tab stop again whenever it takes the focus;
// this one puts its own setting back afterwards.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;

    void setTabStop(bool on);
    bool tabStop() const { return isTabStop; }

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    void applyTabStop();
    bool isTabStop = true;
};
