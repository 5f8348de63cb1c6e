#pragma once

#include <QString>

#include <optional>

class QWidget;

// What the operator gives a new calibration profile: its name and how often it is to be
// calibrated objectively.
struct NewProfile {
    QString Name;
    int IntervalDays = 0;
};

// Asks for a new profile's name and interval (1 to 3650 days, `intervalDays` offered); nothing
// when cancelled.
std::optional<NewProfile> AskForNewProfile(QWidget* parent, int intervalDays);
