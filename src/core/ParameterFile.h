#pragma once

#include "IniFile.h"
#include "SessionProtocol.h"
#include "TestCondition.h"

#include <string>
#include <vector>

// What "Parameters" reads from a test-condition file.
struct ParameterSet {
    ExperimentSettings Settings;
    std::vector<TestCondition> Conditions;
};

// A value in the file that is not a number of its key's type; its key took the default.
struct UnreadableValue {
    std::string Section;  // as the program names it: "Settings", "Tests", "Cond1", ...
    std::string Key;
    std::string Text;  // the value as written, blanks around it removed
};

struct ParameterLoad {
    bool Loaded = false;
    std::string Error;  // why the file was refused, when Loaded is false
    ParameterSet Parameters;
    std::vector<UnreadableValue> Unreadable;  // in the order the keys are read
    SessionProtocol Session;                  // the optional [Session] section
};

// The number of conditions a file may ask for; outside this range the load is refused and
// the previous table stays in use.
constexpr int MinConditionCount = 1;
constexpr int MaxConditionCount = 10000;

// Reads the settings and conditions of `path` with a default for everything missing or
// unreadable; a file that is missing or cannot be read gives every default. Reals are read with
// `decimalSeparator` (the system's in the program).
ParameterLoad LoadParameterFile(const std::string& path, char decimalSeparator);
// The same from a file already read; `path` names it in messages.
ParameterLoad LoadParameters(const IniFile& ini, const std::string& path, char decimalSeparator);

// "[Cond1] StartF = 5OO -> default used": how an unreadable value is reported to the operator.
std::string DescribeUnreadableValue(const UnreadableValue& value);
