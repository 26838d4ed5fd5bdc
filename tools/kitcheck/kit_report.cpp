// The kit checker's output: one line per finding and a closing count, or JSON.
#include "tools/kitcheck/kitcheck.h"

#include <stdio.h>

namespace {

void addJsonText(std::string &out, const std::string &text)
{
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c < 0x20 || c >= 0x80) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += (char)c;
        }
    }
    out += '"';
}

}  // namespace

std::string formatReport(const KitReport &report, bool json)
{
    std::string out;
    char number[64];
    if (json) {
        out += "{\"findings\": [";
        bool first = true;
        for (const KitFinding &f : report.findings) {
            out += first ? "\n  {\"file\": " : ",\n  {\"file\": ";
            first = false;
            addJsonText(out, f.file);
            snprintf(number, sizeof number, ", \"line\": %u, \"severity\": ", f.line);
            out += number;
            out += f.error ? "\"error\"" : "\"warning\"";
            out += ", \"text\": ";
            addJsonText(out, f.text);
            out += "}";
        }
        snprintf(number, sizeof number, "\n], \"errors\": %d, \"warnings\": %d, \"readable\": %s}\n", report.errors,
                 report.warnings, report.unreadable ? "false" : "true");
        out += number;
        return out;
    }
    for (const KitFinding &f : report.findings) {
        out += f.file;
        if (f.line != 0) {
            snprintf(number, sizeof number, ":%u", f.line);
            out += number;
        }
        out += f.error ? ": error: " : ": warning: ";
        out += f.text;
        out += '\n';
    }
    snprintf(number, sizeof number, "%d error%s, %d warning%s\n", report.errors, report.errors == 1 ? "" : "s",
             report.warnings, report.warnings == 1 ? "" : "s");
    out += number;
    return out;
}

int reportExitCode(const KitReport &report)
{
    if (report.unreadable)
        return 2;
    return report.errors > 0 ? 1 : 0;
}

std::string formatRegistryKeys(const KitReport &report)
{
    std::string text;
    for (const std::string &key : report.registryKeys)
        text += key + "\n";
    return text;
}
