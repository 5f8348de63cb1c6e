#include "SimCommands.h"

#include "FreqPointCount.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "ParameterFile.h"

#include <cstdio>
#include <iostream>

int RunConditionsCommand(const std::vector<std::string>& args)
{
    if (args.size() > 1) {
        std::cerr << "usage: quorvex-sim conditions [FILE]\n";
        return 2;
    }
    const std::string path = args.empty() ? "./PTC.INI" : args[0];
    const ParameterLoad load = LoadParameterFile(path, SystemDecimalSeparator());
    if (!load.Loaded) {
        std::cerr << load.Error << '\n';
        return 1;
    }
    const auto number = [](double value) { return FormatForDisplay(value, '.'); };
    const ExperimentSettings& s = load.Parameters.Settings;
    std::cout << "Attenuator=" << s.Attenuator << '\n'
              << "Debug=" << s.Debug << '\n'
              << "ToneDuration=" << number(s.ToneDuration) << '\n'
              << "MaskerDuration=" << number(s.MaskerDuration) << '\n'
              << "Modulated=" << s.Modulated << '\n'
              << "ModFreq=" << number(s.ModFreq) << '\n'
              << "ISI=" << s.ISI << '\n'
              << "RiseFall=" << number(s.RiseFall) << '\n'
              << "N_Cond=" << s.N_Cond << '\n'
              << "CalibFactor=" << number(s.CalibFactor) << '\n';
    int index = 1;
    for (const TestCondition& c : load.Parameters.Conditions) {
        std::cout << "[Cond" << index++ << "]\n"
                  << "ToneF=" << number(c.ToneF) << '\n'
                  << "StartF=" << number(c.StartF) << '\n'
                  << "EndF=" << number(c.EndF) << '\n'
                  << "FStep=" << number(c.FStep) << '\n'
                  << "MaskerBW=" << number(c.MaskerBW) << '\n'
                  << "SPLstep=" << number(c.SPLstep) << '\n'
                  << "MaxSPL=" << number(c.MaxSPL) << '\n'
                  << "ToneSPL=" << number(c.ToneSPL) << '\n'
                  << "MaskStartSPL=" << number(c.MaskStartSPL) << '\n'
                  << "FreqPointCount=" << FreqPointCount(c) << '\n';
    }
    return 0;
}
