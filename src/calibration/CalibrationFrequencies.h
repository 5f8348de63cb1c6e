#pragma once

#include "TestCondition.h"

#include <vector>

// Between the ends of the masker sweep, calibration points at most this far apart: the
// response is interpolated in log frequency between them.
inline constexpr double CalibrationPointSpacingOctaves = 0.5;

// The frequencies the calibration window offers for a condition, ascending, in whole hertz:
// StartF, EndF and evenly spaced points in log frequency between them, none more than half an
// octave from the next, and ToneF. Frequencies that cannot be played (not above 0 Hz, not below
// half the sample rate) are left out.
std::vector<float> DefaultCalibrationFrequencies(const TestCondition& condition);
