// How the platform's profile reader (GetPrivateProfileStringA) reads a key
// of an INI-style file, modelled on the file's bytes. The setup program finds
// its setup INFs by the signature read that way, and lists products by the
// captions read that way, not with its own INF reader: the two readers
// differ, above all in comments. Portable.
#pragma once
#include <stddef.h>

#include <string>

// The value of key in section as the profile reader gives it, and true;
// false (and value empty) when the section or the key is missing, where the
// reader gives the caller's default. line, when given, receives the key's
// line (1-based; 0 when missing).
//
// The rules, as measured under Wine and as the platform documents them:
// - lines end at LF; blanks (space, tab, CR, VT, FF, 0x1A) around a line are
//   dropped;
// - a line that begins with "[" and holds a "]" opens the section named by
//   the text between "[" and its last "]", less blanks around it;
// - any other line is a key: the text before its first "=" less trailing
//   blanks; its value is the text after that "=" less leading blanks;
// - only the first section of a name (without regard to case) is looked in,
//   and in it the first line of the key;
// - a value that begins and ends with the same quote (' or ") loses both;
// - ";" starts a comment only at the start of a line: after a value it is
//   part of the value.
bool readProfileValue(const std::string &bytes, const char *section, const char *key, std::string &value,
                      unsigned *line = nullptr);
