#include "NamedParameterFile.h"

#include "IniFile.h"
#include "NumberParse.h"
#include "WholeFile.h"

#include <iostream>

Result<std::string> ReadNamedFile(const std::string& path)
{
    WholeFile file = ReadWholeFile(path);
    if (file.Error) {
        Failure unreadable{"cannot read '" + path + "': " + file.Error.message()};
        std::cerr << "quorvex-sim: " << unreadable.Reason << '\n';
        return unreadable;
    }
    return std::move(file.Text);
}

std::optional<ParameterLoad> LoadNamedParameterFile(const std::string& command, const std::string& path)
{
    const Result<std::string> text = ReadNamedFile(path);
    if (!text) {
        return std::nullopt;
    }
    ParameterLoad load = LoadParameters(IniFile::FromText(text.Value()), path, SystemDecimalSeparator());
    if (!load.Loaded) {
        std::cerr << "quorvex-sim " << command << ": " << path << ": " << load.Error << '\n';
        return std::nullopt;
    }
    for (const UnreadableValue& value : load.Unreadable) {
        std::cerr << "quorvex-sim: " << path << ": " << DescribeUnreadableValue(value) << '\n';
    }
    return load;
}
