// The lines of an INI or batch file's text, for tests that look at what the
// file itself holds.
#pragma once
#include <string>
#include <vector>

inline std::vector<std::string> textLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

// The lines of one [section] of the text, up to the next section.
inline std::vector<std::string> sectionLines(const std::string &text, const std::string &section)
{
    std::vector<std::string> lines, all = textLines(text);
    bool inside = false;
    for (const std::string &line : all) {
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + section + "]";
            continue;
        }
        if (inside && !line.empty())
            lines.push_back(line);
    }
    return lines;
}

inline bool hasSection(const std::string &text, const std::string &section)
{
    for (const std::string &line : textLines(text))
        if (line == "[" + section + "]")
            return true;
    return false;
}
