// The benchmark INF: about 60 KB in a kit's shape, many sections of keyed
// lines with comments and quoted values, and the keys to look up in it.
#pragma once
#include <stdio.h>

#include <string>
#include <utility>
#include <vector>

struct BenchInf {
    std::string text;
    std::vector<std::pair<std::string, std::string>> keys;   // section, key
};

inline BenchInf makeBenchInf()
{
    BenchInf inf;
    inf.text = "; benchmark INF\r\n[version]\r\nsignature=\"$CHICAGO$\"\r\n\r\n";
    for (int s = 0; inf.text.size() < 59000; ++s) {
        char line[160];
        snprintf(line, sizeof line, "[Component.%03d]\r\n", s);
        inf.text += line;
        for (int k = 0; k < 24; ++k) {
            snprintf(line, sizeof line, "Key%02d = \"value %d of %d\", %d, sub\\dir ; note\r\n", k, k, s, k * 100);
            inf.text += line;
            snprintf(line, sizeof line, "Component.%03d", s);
            char key[16];
            snprintf(key, sizeof key, "Key%02d", k);
            inf.keys.emplace_back(line, key);
        }
        inf.text += "\r\n";
    }
    return inf;
}
