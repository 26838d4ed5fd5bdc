// Arbitrary bytes as an INF file: the image is built and every lookup and
// field operation is run over every line and section name it holds.
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace {

// Enough lines and sections to reach every path, few enough to keep the
// walks (each lookup walks its section again) fast.
const int kLinesPerSection = 6;
const int kSections = 6;

// Buffers of exactly the size they claim, so that the sanitizer sees any
// write past them.
template <size_t N> void exerciseField(const char *line)
{
    char out[N];
    for (int index = 0; index < 6; ++index)
        getLineField(line, index, out, N);
}

// The section search as plainly as it can be written: line by line from the
// image's start, stepping by characters, stopping at 0x1A. findSection
// (which remembers sections and skips to '[' bytes) must agree with it.
InfLine plainFindSection(const char *p, const char *name)
{
    size_t n = strlen(name);
    while (*p != 0x1A) {
        if (*p == '[') {
            bool match = true;
            for (size_t i = 0; i < n && match; ++i)
                match = p[1 + i] != '\0';
            if (match && p[1 + n] == ']' && equalNoCase(p + 1, n, name, n)) {
                const char *q = p;
                while (*q != '\0' && *q != 0x1A)
                    q = charNext(q);
                if (*q == 0x1A || q[1] == '\0' || q[1] == 0x1A)
                    return nullptr;
                return q + 1;
            }
        }
        while (*p != '\0' && *p != 0x1A)
            p = charNext(p);
        if (*p == 0x1A)
            return nullptr;
        while (*p == '\0')
            ++p;
    }
    return nullptr;
}

void exerciseSection(InfImage *image, const char *name)
{
    InfLine first = findSection(image, name);
    if (first != plainFindSection(infImageText(image), name) || first != findSection(image, name))
        __builtin_trap();
    int count = countLines(first);
    char value[kPathSize];
    char small[5];
    int lines = 0;
    for (InfLine line = first; line != nullptr && lines < kLinesPerSection; line = nextLine(line), ++lines) {
        char key[kPathSize] = "";
        if (getLineField(line, 0, key)) {
            getKeyValue(first, key, value);
            getKeyValue(first, key, small, sizeof small);
            findLineByKey(first, key, count);
            char rest[kFieldSize];
            findKeyedLine(image, name, key, rest, value);
            getProfileString(name, key, "default", small, sizeof small, image);
        }
        exerciseField<kPathSize>(line);
        exerciseField<3>(line);
        exerciseField<1>(line);
        char text[kPathSize];
        copyText(text, line);
        expandStrings(text, image);
        char dir[kPathSize];
        chooseDestinationDir(line, dir, sizeof dir);
    }
    for (int n = 0; n <= lines + 1; ++n)
        getSectionLine(name, n, value, image);
    getSectionLine(name, count + 1, value, image);
    sumSourceFileSizes(name, image, image);
    sumSourceFileSizes(name, image, INF_NONE);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    copyText(setupState.windowsDir, "C:\\WINDOWS");
    copyText(setupState.systemDir, "C:\\WINDOWS\\SYSTEM");
    InfImage *image = buildInfImage((const char *)data, size);
    if (image == nullptr)
        return 0;
    if (defaultInf != image)
        __builtin_trap();
    const char *text = infImageText(image);
    size_t length = infImageSize(image);
    // The image must end with its marks, whatever the input was.
    if (length < 3 || text[length - 1] != 0x1A || text[length - 2] != 0 || text[length - 3] != 0)
        __builtin_trap();

    // Every header's name, as the program would ask for it.
    int sections = 0;
    for (const char *p = text; p < text + length - 1 && sections < kSections; ++p) {
        if (*p == '[' && (p == text || p[-1] == '\0')) {
            ++sections;
            char name[kPathSize];
            const char *close = p + 1;
            while (*close != '\0' && *close != ']')
                ++close;
            copyTextN(name, sizeof name, p + 1, (size_t)(close - p - 1));
            exerciseSection(image, name);
            // The image is the default INF, so every lookup must give the
            // same through no image, between explicit lookups.
            if (findSection(nullptr, name) != findSection(image, name))
                __builtin_trap();
            exerciseSection(nullptr, name);
        }
    }
    exerciseSection(image, "Strings");
    exerciseSection(nullptr, "Strings");
    exerciseSection(image, "");
    exerciseSection(nullptr, "");
    freeInf(image);
    return 0;
}
