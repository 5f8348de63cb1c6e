#pragma once

#include "ParameterFile.h"


// Conditions the virtual listener is measured with: a 100 Hz masker band, 2 dB level steps and
// long stimuli (2 s masker, 1.8 s tone), so that the level of a masker section at the filter's
// output varies by a few tenths of a dB near the tip (up to about 1.5 dB on the flanks, where
// only the band's edge passes) and the curve follows the model closely. ISI costs nothing here.
inline ParameterSet ListenerConditions(float toneF, AttenuatorMode attenuator)
{
    ParameterSet set;
    set.Settings.Attenuator = attenuator;
    set.Settings.MaskerDuration = 2000.0f;
    set.Settings.ToneDuration = 1800.0f;
    set.Settings.RiseFall = 20.0f;
    set.Settings.ISI = 200;
    set.Settings.N_Cond = 1;
    set.Settings.CalibFactor = 100.0f;
    TestCondition c;
    c.ToneF = toneF;
    c.StartF = toneF * 0.7f;
    c.EndF = toneF * 1.3f;
    c.FStep = toneF / 200.0f;
    c.MaskerBW = 100.0f;
    c.SPLstep = 2.0f;
    c.MaxSPL = 90.0f;
    c.ToneSPL = 50.0f;
    c.MaskStartSPL = 70.0f;
    set.Conditions.push_back(c);
    return set;
}
