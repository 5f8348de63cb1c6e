#include "NamedParameterFile.h"

#include "CommandFiles.h"
#include "NumberParse.h"

#include <iostream>

std::optional<ParameterLoad> LoadNamedParameterFile(const std::string& command, const std::string& path)
{
    const std::optional<std::string> text = ReadCommandFile(path);
    if (!text) {
        return std::nullopt;
    }
    ParameterLoad load = LoadParameterText(*text, path, SystemDecimalSeparator());
    if (!load.Loaded) {
        std::cerr << "quorvex-sim " << command << ": " << path << ": " << load.Error << '\n';
        return std::nullopt;
    }
    for (const UnreadableValue& value : load.Unreadable) {
        std::cerr << "quorvex-sim: " << path << ": " << DescribeUnreadableValue(value) << '\n';
    }
    return load;
}
