#include "ParameterFile.h"

#include "IniFile.h"
#include "NumberParse.h"
#include "TipNorm.h"

#include <cmath>
#include <limits>

namespace {

// Typed reads that note every value which is present but not a number of the key's type.
// An empty value counts as absent, as the file's rules treat it.
class ParameterReader {
public:
    ParameterReader(const IniFile& ini, char decimalSeparator, std::vector<UnreadableValue>& unreadable)
        : ini_(ini)
        , sep_(decimalSeparator)
        , unreadable_(unreadable)
    {
    }

    int Integer(const std::string& section, const char* key, int fallback)
    {
        return Read(section, key, fallback, [](const std::string& text) { return ParseInteger(text); });
    }

    float Real(const std::string& section, const char* key, float fallback)
    {
        const char sep = sep_;
        return Read(section, key, fallback, [sep](const std::string& text) { return ParseReal(text, sep); });
    }

private:
    template <typename T, typename Parse>
    T Read(const std::string& section, const char* key, T fallback, Parse parse)
    {
        const std::optional<std::string> text = ini_.Value(section, key);
        if (!text || text->empty()) {
            return fallback;
        }
        if (const std::optional<T> value = parse(*text)) {
            return *value;
        }
        unreadable_.push_back({section, key, *text});
        return fallback;
    }

    const IniFile& ini_;
    char sep_;
    std::vector<UnreadableValue>& unreadable_;
};

}  // namespace

ParameterLoad LoadParameterFile(const std::string& path, char decimalSeparator)
{
    return LoadParameters(IniFile::Load(path), path, decimalSeparator);
}

ParameterLoad LoadParameters(const IniFile& ini, const std::string& path, char decimalSeparator)
{
    ParameterLoad load;
    ParameterReader read(ini, decimalSeparator, load.Unreadable);
    ExperimentSettings& s = load.Parameters.Settings;

    s.Attenuator = AttenuatorModeFromNumber(read.Integer("Settings", "Attenuator", 1));
    s.Debug = read.Integer("Settings", "Debug", 0);
    s.ToneDuration = read.Real("Settings", "ToneDuration", 400.0f);
    s.MaskerDuration = read.Real("Settings", "MaskerDuration", 600.0f);
    s.Modulated = read.Integer("Settings", "Modulated", 0);
    s.ModFreq = read.Real("Settings", "ModFreq", 20.0f);
    s.ISI = read.Integer("Settings", "ISI", 20);
    s.RiseFall = read.Real("Settings", "RiseFall", 20.0f);
    s.N_Cond = read.Integer("Tests", "N_Cond", 1);
    s.CalibFactor = static_cast<float>(read.Integer("Tests", "CalibFactor", 100));
    s.ThresholdStartSPL = read.Real("Settings", "ThresholdStartSPL", 40.0f);
    s.ThresholdStep = read.Real("Settings", "ThresholdStep", 2.0f);
    s.ThresholdReversals = read.Integer("Settings", "ThresholdReversals", 8);
    s.ThresholdTimeLimit = read.Real("Settings", "ThresholdTimeLimit", 300.0f);
    s.AudioDevice = ini.Value("Settings", "AudioDevice").value_or("");
    s.SerialPort = ini.Value("Settings", "SerialPort").value_or("");
    s.CalibrationProfile = ini.Value("Settings", "CalibrationProfile").value_or("");
    s.NormalTipLow = read.Real("Settings", "NormalTipLow", s.NormalTipLow);
    s.NormalTipHigh = read.Real("Settings", "NormalTipHigh", s.NormalTipHigh);
    s.OffFrequencyShift = read.Real("Settings", "OffFrequencyShift", s.OffFrequencyShift);
    if (const std::string problem = NormProblem(NormOf(s)); !problem.empty()) {
        load.Error = "The test-condition file '" + path + "' gives a tip norm that cannot be used: " + problem
                     + ". Nothing was loaded.";
        return load;
    }

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
        c.ToneF = read.Real(section, "ToneF", 1000.0f);
        c.StartF = read.Real(section, "StartF", 500.0f);
        c.EndF = read.Real(section, "EndF", 2000.0f);
        c.FStep = read.Real(section, "FStep", 10.0f);
        c.MaskerBW = read.Real(section, "MaskerBW", 200.0f);
        c.SPLstep = read.Real(section, "SPLstep", 3.0f);
        c.MaxSPL = read.Real(section, "MaxSPL", 80.0f);
        c.ToneSPL = read.Real(section, "ToneSPL", 30.0f);
        c.MaskStartSPL = read.Real(section, "MaskStartSPL", 40.0f);
        if (ini.Value(section, "ToneSL").value_or("").empty()) {
            continue;
        }
        if (!ini.Value(section, "ToneSPL").value_or("").empty()) {
            load.Error = "The test-condition file '" + path + "' gives both ToneSPL and ToneSL in [" + section
                         + "]; a tone is set either in dB SPL or in dB above the listener's threshold, not both. "
                           "Nothing was loaded.";
            load.Parameters = {};
            return load;
        }
        const float unread = std::numeric_limits<float>::quiet_NaN();
        if (const float sl = read.Real(section, "ToneSL", unread); !std::isnan(sl)) {
            c.ToneSL = sl;
        }
    }
    load.Session = ReadSessionProtocol(ini, load.Parameters.Conditions, load.Unreadable);
    load.Loaded = true;
    return load;
}

std::string DescribeUnreadableValue(const UnreadableValue& value)
{
    return "[" + value.Section + "] " + value.Key + " = " + value.Text + " -> default used";
}
