#pragma once

#include <QPoint>

class QWindow;

// What the window asks of a Wayland compositor beyond what Qt's own client
// offers: both talk over Qt's own connection, and do nothing elsewhere.

// Whether the program is a client of a Wayland compositor (rather than of an
// X server, or offscreen). The one place that asks.
bool onWayland();

// Whether the compositor offers to decorate windows itself (xdg-decoration,
// as KWin and the wlroots compositors do; mutter and Weston do not).
bool compositorDecoratesWindows();

// Asks the compositor for its window menu (move, minimise, always on top,
// close) at a point of the window, as its own title bars open it on a right
// click. Answers whether the request could be made.
bool showWindowMenu(QWindow *window, QPoint at);
