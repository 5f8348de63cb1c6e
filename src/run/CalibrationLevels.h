#pragma once

#include "HeadphoneResponse.h"
#include "Result.h"
#include "SharedState.h"

#include <optional>

// How a run turns a level meant at the ear into what it plays through a calibrated headphone.
// A correction c (meter reading − target) means the headphone plays c dB louder than the
// program asks, so a stimulus is played c dB lower. With no profile every correction is 0.

// The correction the run gives a stimulus of `ear` at `freqHz` (the tone at ToneF, a masker at
// its centre frequency; a masker band is narrow enough for its centre to stand for it).
float StimulusCorrectionDb(const CalibrationInUse& calibration, EarSide ear, float freqHz);

// The highest masker level the run may record at a frequency whose correction is
// `correctionDb`: no positive gain on the synthesised masker (which would clip), so in software
// mode CalibFactor + correction; with the KC35 CalibFactor as without a profile.
float MaskerCeilingRelativeDb(bool softwareLevels, float correctionDb);

// A KC35 level command for a level meant at the ear: the correction taken off in the
// attenuator's whole-dB steps (rounded to the nearest step), and one step lower when the ear
// would otherwise get more than `ceilingDb` (MaxSPL for the masker). ResidualDb is the level
// at the ear minus the level meant. A level no int holds is refused as TruncateLevel refuses it.
struct Kc35Setting {
    int Level = 0;
    float ResidualDb = 0.0f;
};
Result<Kc35Setting> Kc35CorrectedLevel(float levelDb, float correctionDb, std::optional<float> ceilingDb = std::nullopt);

// Software mode with a profile in use: refuses a tone that its correction at ToneF would drive
// beyond the samples' full scale (a gain above 9.24 dB over CalibFactor, 3.22 dB modulated),
// naming the tone, the correction and the ear. Without a profile the tone is as it always was.
Result<> CheckCorrectedTone(const SharedState& state, char decimalSeparator);
