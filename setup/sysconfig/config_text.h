// The text edits of the configuration updaters that need no platform: the
// field list of an UpdateIniFields line, the rewritten [386Enh] device lines,
// the AUTOEXEC.BAT line filter and the small entry splits. Built natively too,
// so that they are tested and fuzzed off Windows.
#pragma once
#include <stddef.h>

// The new value of a key whose value is a list of fields (comma or blank
// separated): oldField replaced by newField, newField added, or oldField
// removed, as the UpdateIniFields line asks. All three texts come unquoted.
// false: the result does not fit size bytes; nothing usable is in result and
// the caller leaves the key alone rather than write a list that lost a field.
bool editFieldList(const char *current, const char *oldField, const char *newField, char *result, size_t size);

// The device lines of a section rewritten. list holds the section as the
// platform's section read gives it: NUL-terminated lines, listLength bytes up
// to (not including) the list's closing NUL, which must be there. A line is a
// device line when its key (the text before the first '=', no ';' before it)
// equals key and its first value token equals the value looked for.
// - no old value, a new value: "device=" + new is added at the end unless a
//   device line already carries it;
// - an old value: each device line carrying it is commented out with ';',
//   preceded by "device=" + new when a new value is given;
// - an empty or absent section only ever gets the single added line.
// Writes at most outSize bytes to out and returns the size the whole new list
// needs, closing NULs included; call with outSize 0 to learn it.
size_t rewriteDeviceList(const char *list, size_t listLength, const char *key, const char *oldValue,
                         const char *newValue, char *out, size_t outSize);

// The lines of a batch file without every line equal to drop (compared whole
// and without regard to case, however long). Kept lines are written unchanged,
// each ended with CR LF. Writes at most outSize bytes and returns the size the
// result needs; dropped receives the number of lines left out.
size_t filterBatchLines(const char *text, size_t length, const char *drop, char *out, size_t outSize, int *dropped);

// Splits "key=value" at its first '='. false when there is none.
bool splitEntry(const char *entry, char *key, size_t keySize, char *value, size_t valueSize);
template <size_t K, size_t V> inline bool splitEntry(const char *entry, char (&key)[K], char (&value)[V])
{
    return splitEntry(entry, key, K, value, V);
}

// Drops one pair of double quotes when the text both begins and ends with one.
void dropEnclosingQuotes(char *text);

// A program-group line as written in the INF: enclosing quotes dropped, then
// each doubled double quote turned into one.
void unquoteGroupLine(char *text);

// Where one UpdateInis line goes, from its fields as cut and expanded: the
// ini-file field, the section field and the new entry.
enum IniLineTarget {
    INI_TARGET_CONFIG_SYS,         // a line appended to CONFIG.SYS
    INI_TARGET_AUTOEXEC_REMOVE,    // lines equal to the section field leave AUTOEXEC.BAT
    INI_TARGET_AUTOEXEC_NOTHING,   // any other AUTOEXEC.BAT line changes nothing
    INI_TARGET_GROUPS_ENTRY,       // setup.ini [progman.groups] key=value
    INI_TARGET_GROUP_LINE,         // a line appended to a program group of setup.ini
    INI_TARGET_PROFILE_ENTRY,      // an ordinary INI key (or the [386Enh] device lines)
    INI_TARGET_NO_ENTRY,           // a key=value target whose new entry has no "=": skipped
};
IniLineTarget iniLineTarget(const char *file, const char *section, const char *newEntry);
