#include "SimCommands.h"

#include "FreqPointCount.h"
#include "IniFile.h"
#include "NamedParameterFile.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "ParameterFile.h"
#include "WholeFile.h"

#include <cstdio>
#include <iostream>

int RunConditionsCommand(const std::vector<std::string>& args)
{
    if (args.size() > 1) {
        std::cerr << "usage: quorvex-sim conditions [FILE]\n";
        return 2;
    }
    const std::string path = args.empty() ? "./PTC.INI" : args[0];
    // A missing file gives the defaults, as "Parameters" does; any other failure to read is
    // told, so that a wrong path is not mistaken for a file of defaults.
    const WholeFile file = ReadWholeFile(path);
    if (file.Error && file.Error != std::errc::no_such_file_or_directory) {
        ReportUnreadable(path, file.Error);
        return 1;
    }
    const ParameterLoad load = LoadParameters(IniFile::FromText(file.Text), path, SystemDecimalSeparator());
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
