#include "IniFile.h"

#include "AsciiText.h"
#include "NumberParse.h"
#include "WholeFile.h"


namespace {

std::string MapKey(std::string_view section, std::string_view key)
{
    return AsciiLower(TrimBlanks(section)) + '\n' + AsciiLower(TrimBlanks(key));
}

}  // namespace

IniFile IniFile::Load(const std::string& path)
{
    const WholeFile file = ReadWholeFile(path);
    return file.Error ? IniFile{} : FromText(file.Text);
}

IniFile IniFile::FromText(std::string_view text)
{
    IniFile ini;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::string section;
    bool inSection = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = TrimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close != std::string_view::npos) {
                section = std::string(line.substr(1, close - 1));
                inSection = true;
            }
            continue;
        }
        const auto equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) {
            continue;
        }
        ini.values_.emplace(MapKey(section, line.substr(0, equals)), std::string(TrimBlanks(line.substr(equals + 1))));
    }
    return ini;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const
{
    const auto found = values_.find(MapKey(section, key));
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const
{
    const std::string prefix = MapKey(section, "");
    std::vector<std::string> keys;
    for (auto entry = values_.lower_bound(prefix); entry != values_.end() && entry->first.starts_with(prefix); ++entry) {
        keys.push_back(entry->first.substr(prefix.size()));
    }
    return keys;
}

std::vector<std::string> IniFile::Sections() const
{
    std::vector<std::string> sections;
    for (const auto& [name, value] : values_) {
        std::string section = name.substr(0, name.find('\n'));
        if (sections.empty() || sections.back() != section) {
            sections.push_back(std::move(section));
        }
    }
    return sections;
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const
{
    const auto text = Value(section, key);
    return text ? ParseInteger(*text).value_or(fallback) : fallback;
}

float IniFile::ReadReal(std::string_view section, std::string_view key, float fallback, char decimalSeparator) const
{
    const auto text = Value(section, key);
    return text ? ParseReal(*text, decimalSeparator).value_or(fallback) : fallback;
}
