#pragma once

#include "HeadphoneResponse.h"
#include "Result.h"

#include <string>

// A simulated headphone's response as text: points "HZ:DB" for both ears, or "left:HZ:DB" and
// "right:HZ:DB" for one, separated by commas, blanks or lines; a line from '#' on is a comment.
// DB is the ear's correction (a meter reading DB high). Refuses with the point it cannot read.
Result<HeadphoneResponse> ReadHeadphonePoints(const std::string& text);

// The calibration a run is told when it knows the simulated headphone's response, as if the
// headphone had been calibrated today with it: the profile "simulated headphone".
CalibrationInUse CalibrationOfHeadphone(const HeadphoneResponse& response);
