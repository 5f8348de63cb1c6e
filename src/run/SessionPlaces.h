#pragma once

#include <QRect>

// Where a session's windows go, so that the listener's run window never covers the operator's
// session panel: with two screens the run window fills the listener's and the panel stands on
// the operator's; on one screen the run window leaves a strip at the right for the panel.
struct SessionPlaces {
    QRect RunWindow;
    bool Maximised = false;  // the run window fills its screen
    QRect Panel;
};

// `operatorScreen` and `listenerScreen` are the screens' available areas (the same rectangle
// on one screen); `panelWidth` the panel's width.
SessionPlaces PlaceSessionWindows(const QRect& operatorScreen, const QRect& listenerScreen, int panelWidth);
