// The install log of /log:FILE: what each step of a run did, one line per
// event, written as it happens (every line goes to the file at once, so a
// run that ends abruptly leaves its log up to that point). Code page 932
// with CR LF line ends. Without /log every call here does nothing.
#pragma once

// Creates (or empties) the log; false when it cannot be opened. Windows only.
bool openInstallLog(const char *path);
void closeInstallLog();
bool installLogOpen();

// One line: the local time, then the parts as given. Line ends inside a
// part (a message box's text) become " / ", so that every event stays one
// line. Parts too long for a line are cut.
void logParts(const char *const *parts, int count);
template <typename... Parts> inline void logLine(const Parts &...parts)
{
    const char *list[] = {(const char *)parts...};
    logParts(list, (int)sizeof...(parts));
}

// A number as decimal text, for a part of a log line.
struct LogNumber {
    char text[24];
    explicit LogNumber(long long value);
    operator const char *() const { return text; }
};

// A number as "0x" and eight hexadecimal digits (installer result bits).
struct LogHex {
    char text[12];
    explicit LogHex(unsigned long value);
    operator const char *() const { return text; }
};

// Natively (the portable code's tests) there is no log: every call does
// nothing.
