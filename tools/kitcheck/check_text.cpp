// The text of the kit's INFs: code page 932 as the setup program reads it, a
// file written as UTF-8 instead, and %name% references that name nothing.
#include "tools/kitcheck/kit_checker.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"

namespace {

// Code page 932: single bytes 0x00-0x7F and 0xA1-0xDF; a lead byte (0x81-0x9F,
// 0xE0-0xFC) takes a trail byte 0x40-0x7E or 0x80-0xFC.
bool isTrail(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// The length of the UTF-8 sequence at i (well-formed: no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0 when there is none.
size_t utf8Sequence(const std::string &bytes, size_t i)
{
    unsigned char c = (unsigned char)bytes[i];
    size_t length;
    unsigned char low = 0x80, high = 0xBF;   // the allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = (unsigned char)bytes[i + k];
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

// The line of the first multibyte UTF-8 sequence when the whole text from
// start decodes as UTF-8 and holds one; 0 otherwise.
unsigned utf8TextLine(const std::string &bytes, size_t start)
{
    unsigned line = 1, first = 0;
    for (size_t i = 0; i < start; ++i)
        line += bytes[i] == '\n';
    for (size_t i = start; i < bytes.size();) {
        unsigned char c = (unsigned char)bytes[i];
        if (c < 0x80) {
            line += c == '\n';
            ++i;
            continue;
        }
        size_t length = utf8Sequence(bytes, i);
        if (length == 0)
            return 0;
        if (first == 0)
            first = line;
        i += length;
    }
    return first;
}

void checkCodePage(Checker &c, const std::string &shown, const std::string &bytes, size_t start)
{
    unsigned line = 1;
    int reported = 0;
    for (size_t i = 0; i < start; ++i)
        line += bytes[i] == '\n';
    for (size_t i = start; i < bytes.size() && reported < 20; ++i) {
        unsigned char b = (unsigned char)bytes[i];
        if (b == '\n') {
            ++line;
            continue;
        }
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        if (!isLeadByte(b)) {
            add(c, shown, line, true, say("byte 0x%02X is not valid code page 932 text", b));
            ++reported;
            continue;
        }
        unsigned char next = i + 1 < bytes.size() ? (unsigned char)bytes[i + 1] : 0;
        if (i + 1 >= bytes.size() || next == '\r' || next == '\n') {
            add(c, shown, line, true,
                say("a lead byte 0x%02X ends the line: the reader takes the line break after it as its second byte%s",
                    b, next == '\n' ? " and joins the next line to this one" : ""));
            ++reported;
            continue;
        }
        if (!isTrail(next)) {
            add(c, shown, line, true, say("bytes 0x%02X 0x%02X are not valid code page 932 text", b, next));
            ++reported;
        }
        ++i;
    }
}

void noteUnknown(void *context, const char *name, size_t length)
{
    std::vector<std::string> &names = *(std::vector<std::string> *)context;
    std::string text = "%" + std::string(name, length) + "%";
    for (const std::string &seen : names)
        if (seen == text)
            return;
    names.push_back(text);
}

}  // namespace

void checkText(Checker &c, const std::string &shown, const std::string &bytes)
{
    // A file saved as UTF-8 is one fault, reported once: its bytes may well
    // form code page 932 pairs, which then show as other characters.
    bool mark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    size_t start = mark ? 3 : 0;
    unsigned utf8 = utf8TextLine(bytes, start);
    const char *garbled = "UTF-8 text, which the setup program reads as code page 932: its text outside ASCII comes "
                          "out as other characters";
    if (mark)
        add(c, shown, 1, true,
            std::string("starts with a UTF-8 byte-order mark, which the setup program reads as text: its first line is "
                        "no section header") +
                (utf8 != 0 ? std::string("; the rest is ") + garbled : std::string()));
    else if (utf8 != 0)
        add(c, shown, utf8, true, std::string("is ") + garbled);
    if (utf8 == 0)
        checkCodePage(c, shown, bytes, start);
}

bool expandChecked(Checker &c, const KitInf &inf, InfLine line, char (&text)[kPathSize], bool isError,
                   const char *what, const char *whenEmpty)
{
    std::vector<std::string> unknown;
    expandStrings(text, inf.image, noteUnknown, &unknown);
    if (unknown.empty())
        return true;
    std::string names;
    for (const std::string &name : unknown)
        names += (names.empty() ? "" : ", ") + name;
    bool one = unknown.size() == 1;
    std::string found = say("%s %s neither a directory id nor a [Strings] key of %s: %s to nothing, so ", names.c_str(),
                            one ? "is" : "are", inf.shown.c_str(), one ? "it expands" : "they expand");
    if (text[0] == '\0' && whenEmpty != nullptr)
        found += whenEmpty;
    else
        found += std::string(what) + " \"" + text + "\"";
    add(c, inf.shown, lineOf(inf, line), isError, found);
    return false;
}
