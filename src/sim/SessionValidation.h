#pragma once

#include <vector>

// quorvex-sim validate --sessions: whole clinical sessions with the virtual listener, for a
// listener with normal hearing and one with a dead region below each tone: the threshold run's
// estimate against the listener's threshold, and how often the combined curve's finding is
// the one the listener's ear calls for. Writes a Markdown table to standard output.
struct SessionValidationRequest {
    int Sessions = 100;  // per listener and tone
    std::vector<double> Tones;
    double ThresholdDb = 30.0;     // the listeners' threshold in quiet at every frequency
    double DeadEdge = 0.75;        // the dead region's lower edge, times the tone frequency
    double SensationLevel = 10.0;  // the tone's level above the threshold measured, dB
};

// 0 when every session was run (whatever it found), 1 when the table could not be made.
int ValidateSessions(const SessionValidationRequest& request);
