#pragma once
// One INI section as the platform hands it over whole ("name=value", each line ended by a NUL), with
// the lookup the platform's single-key read does: names without regard to case, the first line of a
// name wins, blanks around names and values and one pair of matching quotes around a value removed.
#include <string>
#include <utility>
#include <vector>

class IniSection {
public:
    IniSection() = default;
    // `lines`: the section's lines, each ended by a NUL (an empty line or the end stops the list).
    explicit IniSection(const std::wstring& lines);

    // The value as the single-key read returns it; empty when the name is missing.
    std::wstring value(const std::wstring& name) const;

private:
    std::vector<std::pair<std::wstring, std::wstring>> entries_;  // in file order
};
