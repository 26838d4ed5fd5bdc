// The wizard's figures and list lines, without windows.
#include "setup/wizard/wizard_text.h"

#include "setup/inf/charset.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"

const ModelFamily kModelFamilies[10] = {
    {"TOSKA", IDS_SECTION_TOSKA}, {"BRENA", IDS_SECTION_BRENA}, {"BRENB", IDS_SECTION_BRENB},
    {"BRENX", IDS_SECTION_BRENX}, {"KWILT", IDS_SECTION_KWILT}, {"DORSA", IDS_SECTION_DORSA},
    {"MachineNames", IDS_SECTION_MACHINENAMES}, {"GELMO", IDS_SECTION_GELMO}, {"PIRKA", IDS_SECTION_PIRKA},
    {"SOVIN", IDS_SECTION_SOVIN},
};

bool formatDecimal(uint64_t value, char *out, size_t size)
{
    char digits[24];
    size_t count = 0;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (size == 0)
        return false;
    if (count + 1 > size) {
        out[0] = '\0';
        return false;
    }
    for (size_t i = 0; i < count; ++i)
        out[i] = digits[count - 1 - i];
    out[count] = '\0';
    return true;
}

bool formatSize(uint64_t bytes, char *out, size_t size)
{
    uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    uint64_t megabytes = kilobytes / 1024;
    uint64_t tenths = (kilobytes % 1024) * 10;
    uint64_t decimal = tenths / 1024 + (tenths % 1024 != 0 ? 1 : 0);
    if (decimal >= 10) {
        decimal -= 10;
        megabytes += 1;
    }
    char whole[24];
    formatDecimal(megabytes, whole, sizeof whole);
    char tenth[2] = {(char)('0' + decimal), '\0'};
    TextBuilder text = startTextN(out, size);
    addText(text, whole);
    addText(text, ".");
    addText(text, tenth);
    addText(text, " MB");
    if (text.cut && size > 0)
        out[0] = '\0';
    return !text.cut;
}

bool splitListLine(const char *line, char *display, size_t displaySize, char *key, size_t keySize)
{
    const char *comma = line;
    while (*comma != '\0' && *comma != ',')
        comma = charNext(comma);
    copyTextN(display, displaySize, line, (size_t)(comma - line));
    if (*comma != ',') {
        if (keySize > 0)
            key[0] = '\0';
        return false;
    }
    copyTextN(key, keySize, comma + 1);
    return true;
}

int progressPosition(int pass, int passCount, int index, int componentCount)
{
    if (pass < 1 || passCount < 1 || componentCount < 1 || index < 0)
        return 0;
    // 64-bit: a kit of many disks and components must not wrap the product.
    int64_t done = (int64_t)(pass - 1) * componentCount + index;
    int64_t all = (int64_t)passCount * componentCount;
    int64_t position = done * 100 / all;
    return position > 100 ? 100 : (int)position;
}
