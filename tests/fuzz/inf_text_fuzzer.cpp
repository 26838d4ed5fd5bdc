// Arbitrary text through the line helpers: field and token cutting,
// %key% expansion, line fields, comment and quote stripping, path helpers.
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace {

const char kStrings[] =
    "[Strings]\nA=alpha\nLong=\"LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL"
    "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL\"\n99=%10%\nK=\x83\x5c\x83\x5c\n";

InfImage *stringsImage()
{
    static InfImage *image = buildInfImage(kStrings, sizeof kStrings - 1);
    return image;
}

template <size_t N> void cutAll(const char *input, bool token)
{
    char text[kFieldSize];
    copyText(text, input);
    char *p = text;
    for (int guard = 0; *p != '\0' && guard < 300; ++guard) {
        char out[N];
        char *rest = token ? takeToken(p, out, N) : takeField(p, out, N);
        if (rest == p)
            break;
        p = rest;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    copyText(setupState.windowsDir, "C:\\WINDOWS");
    copyText(setupState.systemDir, "C:\\WINDOWS\\SYSTEM");
    // One NUL-terminated text of the fuzzer's bytes, cut at its first NUL.
    char input[1024];
    size_t n = size < sizeof input - 1 ? size : sizeof input - 1;
    memcpy(input, data, n);
    input[n] = '\0';

    cutAll<kFieldSize>(input, false);
    cutAll<kFieldSize>(input, true);
    cutAll<2>(input, false);
    cutAll<1>(input, true);

    char text[kPathSize];
    copyText(text, input);
    expandStrings(text, stringsImage());
    char small[7];
    copyText(small, input);
    expandStrings(small, stringsImage());

    char field[9];
    for (int index = -1; index < 5; ++index)
        getLineField(input, index, field, sizeof field);

    copyText(text, input);
    stripComment(text);
    copyText(text, input);
    stripQuotes(text);
    copyText(text, input);
    fileNamePart(text);
    pathDirPart(text);
    copyText(small, input);
    addBackslash(small);
    char dir[12];
    chooseDestinationDir(input, dir, sizeof dir);
    char dirId[4];
    resolveDirId((long)size % 30, dirId);
    return 0;
}
