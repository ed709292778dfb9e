#pragma once

#include <QString>
#include <QWidget>

// What screen readers get from the window beyond Qt's own: the window as a
// window (so that its title can be asked for), text boxes read whole, and
// spoken announcements. Installed once per process, after the application
// object exists; Form1 does it.
void installAccessibility();

// Tells a screen reader, once, the results just shown. Where Qt has
// announcement events (6.8 and later) it sends one; before that, it is a
// notification that shows itself again for each announcement, which Orca
// speaks. It paints nothing and takes no focus.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget *window);

    void announce(const QString &text);

    // What was told last, and how many times anything was, whether or not a
    // screen reader listens.
    const QString &lastTold() const { return told; }
    int timesTold() const { return times; }

private:
    QString told;
    int times = 0;
};

// Reports the focus to screen readers once more, after the event being
// handled, for the control that holds it then. A focus moved on while Qt
// was still giving it to another control would otherwise be reported last
// for the control it left.
void reportFocusAfterThisEvent();
