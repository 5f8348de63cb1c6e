#pragma once

#include <string>

// Where the calibration store is. It belongs to the machine and its user, not to a data folder,
// because several data folders share one booth: $QUORVEX_CALIBRATION_DIR when it is set and not
// empty, otherwise $XDG_DATA_HOME/quorvex/calibration, with ~/.local/share for an XDG_DATA_HOME
// that is unset, empty or not an absolute path (as the XDG base directory rules say).
std::string CalibrationStoreFolder();

// The variable that moves the store, and what the option --calibration-store DIR of quorvex and
// quorvex-sim sets for the program (and the programs it starts).
inline constexpr const char* CalibrationStoreVariable = "QUORVEX_CALIBRATION_DIR";
void MoveCalibrationStore(const std::string& folder);
