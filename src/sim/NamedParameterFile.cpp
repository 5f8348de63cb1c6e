#include "NamedParameterFile.h"

#include "IniFile.h"
#include "NumberParse.h"
#include "WholeFile.h"

#include <iostream>

void ReportUnreadable(const std::string& path, std::error_code error)
{
    std::cerr << "quorvex-sim: cannot read '" << path << "': " << error.message() << '\n';
}

std::optional<std::string> ReadNamedFile(const std::string& path)
{
    WholeFile file = ReadWholeFile(path);
    if (file.Error) {
        ReportUnreadable(path, file.Error);
        return std::nullopt;
    }
    return std::move(file.Text);
}

std::optional<ParameterLoad> LoadNamedParameterFile(const std::string& command, const std::string& path)
{
    const std::optional<std::string> text = ReadNamedFile(path);
    if (!text) {
        return std::nullopt;
    }
    ParameterLoad load = LoadParameters(IniFile::FromText(*text), path, SystemDecimalSeparator());
    if (!load.Loaded) {
        std::cerr << "quorvex-sim " << command << ": " << path << ": " << load.Error << '\n';
        return std::nullopt;
    }
    for (const UnreadableValue& value : load.Unreadable) {
        std::cerr << "quorvex-sim: " << path << ": " << DescribeUnreadableValue(value) << '\n';
    }
    return load;
}
