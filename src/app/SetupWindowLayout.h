#pragma once

#include "RunChoices.h"

#include <QString>

// What the set-up window's layout (SetupWindowLayout.cpp) and its handlers (SetupWindow.cpp) share.

// The height of the window's client area, between the menu and the status bar.
// The designer's 395 pixels, and a row for the calibration profile below them.
inline constexpr int SetupDesignedHeight = 395;
inline constexpr int SetupClientHeight = 447;

// "Condition 2 of 5", beside the arrows that step through the conditions.
QString ConditionOfCount(int n, int count);

// The radio buttons list Left, Right and Upwards, Downwards: a button's id is its place.
int ButtonOf(EarSide ear);
int ButtonOf(Sweep direction);
