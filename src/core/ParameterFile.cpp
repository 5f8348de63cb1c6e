#include "ParameterFile.h"

#include "IniFile.h"

ParameterLoad LoadParameterFile(const std::string& path, char decimalSeparator)
{
    return LoadParameters(IniFile::Load(path), path, decimalSeparator);
}

ParameterLoad LoadParameters(const IniFile& ini, const std::string& path, char decimalSeparator)
{
    const char sep = decimalSeparator;
    ParameterLoad load;
    ExperimentSettings& s = load.Parameters.Settings;

    s.Attenuator = ini.ReadInteger("Settings", "Attenuator", 1);
    s.Debug = ini.ReadInteger("Settings", "Debug", 0);
    s.ToneDuration = ini.ReadReal("Settings", "ToneDuration", 400.0f, sep);
    s.MaskerDuration = ini.ReadReal("Settings", "MaskerDuration", 600.0f, sep);
    s.Modulated = ini.ReadInteger("Settings", "Modulated", 0);
    s.ModFreq = ini.ReadReal("Settings", "ModFreq", 20.0f, sep);
    s.ISI = ini.ReadInteger("Settings", "ISI", 20);
    s.RiseFall = ini.ReadReal("Settings", "RiseFall", 20.0f, sep);
    s.N_Cond = ini.ReadInteger("Tests", "N_Cond", 1);
    s.CalibFactor = static_cast<float>(ini.ReadInteger("Tests", "CalibFactor", 100));
    s.AudioDevice = ini.Value("Settings", "AudioDevice").value_or("");
    s.SerialPort = ini.Value("Settings", "SerialPort").value_or("");

    if (s.N_Cond < MinConditionCount || s.N_Cond > MaxConditionCount) {
        load.Error = "The test-condition file '" + path + "' asks for N_Cond=" + std::to_string(s.N_Cond)
            + " conditions; it must be between " + std::to_string(MinConditionCount) + " and "
            + std::to_string(MaxConditionCount) + ". Nothing was loaded.";
        return load;
    }

    load.Parameters.Conditions.resize(static_cast<std::size_t>(s.N_Cond));
    for (int i = 1; i <= s.N_Cond; ++i) {
        const std::string section = "Cond" + std::to_string(i);
        TestCondition& c = load.Parameters.Conditions[static_cast<std::size_t>(i - 1)];
        c.ToneF = ini.ReadReal(section, "ToneF", 1000.0f, sep);
        c.StartF = ini.ReadReal(section, "StartF", 500.0f, sep);
        c.EndF = ini.ReadReal(section, "EndF", 2000.0f, sep);
        c.FStep = ini.ReadReal(section, "FStep", 10.0f, sep);
        c.MaskerBW = ini.ReadReal(section, "MaskerBW", 200.0f, sep);
        c.SPLstep = ini.ReadReal(section, "SPLstep", 3.0f, sep);
        c.MaxSPL = ini.ReadReal(section, "MaxSPL", 80.0f, sep);
        c.ToneSPL = ini.ReadReal(section, "ToneSPL", 30.0f, sep);
        c.MaskStartSPL = ini.ReadReal(section, "MaskStartSPL", 40.0f, sep);
    }
    load.Loaded = true;
    return load;
}
