#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A read-only INI (profile) file: "[Section]" lines followed by "key=value" lines.
// Section and key names match without regard to case, blanks around names and values are
// ignored, the first occurrence of a key in a section counts, and a file that is missing or
// cannot be read behaves like an empty one.
class IniFile {
public:
    static IniFile Load(const std::string& path);
    static IniFile FromText(std::string_view text);

    // The trimmed value, or nothing when the section or key is absent.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // The names of the keys of `section`, in lower case and sorted; none when it is absent.
    std::vector<std::string> Keys(std::string_view section) const;
    // The names of the sections that hold a key, in lower case and sorted.
    std::vector<std::string> Sections() const;

    // Typed reads with the default used for an absent, empty or unparsable value.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    float ReadReal(std::string_view section, std::string_view key, float fallback, char decimalSeparator) const;

private:
    std::map<std::string, std::string> values_;  // "section\nkey" in lower case -> value
};
