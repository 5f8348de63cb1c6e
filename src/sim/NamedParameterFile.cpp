#include "NamedParameterFile.h"

#include "NumberParse.h"

#include <fstream>
#include <iostream>

std::optional<ParameterSet> LoadNamedParameterFile(const std::string& command, const std::string& path)
{
    if (!std::ifstream(path)) {
        std::cerr << "quorvex-sim " << command << ": cannot read '" << path << "'\n";
        return std::nullopt;
    }
    ParameterLoad load = LoadParameterFile(path, SystemDecimalSeparator());
    if (!load.Loaded) {
        std::cerr << "quorvex-sim " << command << ": " << path << ": " << load.Error << '\n';
        return std::nullopt;
    }
    return std::move(load.Parameters);
}
