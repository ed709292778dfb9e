#pragma once

#include <QMouseEvent>

// Tells which mouse releases are clicks. A double click arrives as press,
// release, double-click, release: the first release is a click, the one that
// ends the double click is not.
class ClickSequence {
public:
    void doubleClicked(const QMouseEvent &event) {
        endingDoubleClick = event.button() == Qt::LeftButton;
    }
    bool releaseIsClick(const QMouseEvent &event) {
        if (event.button() != Qt::LeftButton) {
            return false;
        }
        const bool click = !endingDoubleClick;
        endingDoubleClick = false;
        return click;
    }

private:
    bool endingDoubleClick = false;
};
