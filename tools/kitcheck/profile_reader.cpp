// The platform's profile reader, modelled on a file's bytes.
#include "tools/kitcheck/profile_reader.h"

#include "setup/inf/charset.h"
#include "setup/inf/text.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

// The next character of a line that ends at end. A trail byte may be 0x5D
// (']'), so the search for ']' steps by character; blanks, '=' and LF are
// never trail bytes.
size_t step(const std::string &bytes, size_t i, size_t end)
{
    return i + ((isLeadByte((unsigned char)bytes[i]) && i + 1 < end) ? 2 : 1);
}

}  // namespace

bool readProfileValue(const std::string &bytes, const char *section, const char *key, std::string &value,
                      unsigned *line)
{
    value.clear();
    if (line != nullptr)
        *line = 0;
    const size_t sectionLength = textLength(section), keyLength = textLength(key);
    bool inside = false;   // in the first section of the name
    unsigned number = 0;
    for (size_t start = 0; start < bytes.size();) {
        size_t lf = bytes.find('\n', start);
        size_t a = start, b = lf == std::string::npos ? bytes.size() : lf;
        start = lf == std::string::npos ? bytes.size() : lf + 1;
        ++number;
        while (a < b && isBlank(bytes[a]))
            ++a;
        while (b > a && isBlank(bytes[b - 1]))
            --b;
        if (a == b)
            continue;
        if (bytes[a] == '[') {
            size_t close = std::string::npos;
            for (size_t i = a + 1; i < b; i = step(bytes, i, b))
                if (bytes[i] == ']')
                    close = i;
            if (close != std::string::npos) {
                if (inside)
                    return false;   // later sections of the same name are never looked in
                size_t nameStart = a + 1, nameEnd = close;
                while (nameStart < nameEnd && isBlank(bytes[nameStart]))
                    ++nameStart;
                while (nameEnd > nameStart && isBlank(bytes[nameEnd - 1]))
                    --nameEnd;
                inside = equalNoCase(bytes.data() + nameStart, nameEnd - nameStart, section, sectionLength);
                continue;
            }
        }
        if (!inside)
            continue;
        size_t equals = b;
        for (size_t i = a; i < b; i = step(bytes, i, b)) {
            if (bytes[i] == '=') {
                equals = i;
                break;
            }
        }
        size_t nameEnd = equals;
        while (nameEnd > a && isBlank(bytes[nameEnd - 1]))
            --nameEnd;
        if (!equalNoCase(bytes.data() + a, nameEnd - a, key, keyLength))
            continue;
        if (line != nullptr)
            *line = number;
        if (equals == b)
            return false;   // a key without "=": the reader gives the default
        size_t v = equals + 1;
        while (v < b && isBlank(bytes[v]))
            ++v;
        value.assign(bytes, v, b - v);
        // The reader's value is a text: it ends at a NUL.
        value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
        if (value.size() > 1 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        return true;
    }
    return false;
}
