// filterBatchLines on arbitrary files and lines: the measured size is what
// the build writes, a short buffer is never overrun, and the kept lines plus
// the dropped ones are all the lines there were.
#include "fuzz_parts.h"
#include "setup/sysconfig/config_text.h"

#include <stdlib.h>
#include <string.h>

#include <memory>

static size_t countLines(const char *text, size_t length)
{
    size_t lines = 0;
    for (size_t i = 0; i < length; ++i)
        if (text[i] == '\n')
            ++lines;
    if (length > 0 && text[length - 1] != '\n')
        ++lines;
    return lines;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    std::vector<std::string> parts = fuzzParts(data + 1, size - 1, 2);
    const std::string &drop = parts[0];
    const std::string &file = parts[1];
    std::unique_ptr<char[]> text(new char[file.size() + 1]);
    memcpy(text.get(), file.data(), file.size());

    int dropped = -1;
    size_t needed = filterBatchLines(text.get(), file.size(), drop.c_str(), nullptr, 0, &dropped);
    std::unique_ptr<char[]> out(new char[needed + 1]);
    int droppedAgain = -1;
    if (filterBatchLines(text.get(), file.size(), drop.c_str(), out.get(), needed, &droppedAgain) != needed ||
        dropped != droppedAgain || dropped < 0)
        abort();
    if (countLines(out.get(), needed) + (size_t)dropped != countLines(text.get(), file.size()))
        abort();

    size_t shortSize = data[0] % (needed + 1);
    std::unique_ptr<char[]> partial(new char[shortSize == 0 ? 1 : shortSize]);
    filterBatchLines(text.get(), file.size(), drop.c_str(), partial.get(), shortSize, &dropped);
    return 0;
}
