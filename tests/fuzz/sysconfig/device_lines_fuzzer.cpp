// rewriteDeviceList on arbitrary sections and values: the measured size is
// what the build writes, a short buffer is never overrun, and the list always
// ends with two NULs.
#include "fuzz_parts.h"
#include "setup/sysconfig/config_text.h"

#include <stdlib.h>
#include <string.h>

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    std::vector<std::string> parts = fuzzParts(data + 1, size - 1, 4);
    const std::string &key = parts[0], &oldValue = parts[1], &newValue = parts[2];
    // The section as the platform's read gives it: lines, then the list's NUL.
    std::string lines = parts[3];
    std::unique_ptr<char[]> list(new char[lines.size() + 2]);
    memcpy(list.get(), lines.data(), lines.size());
    list[lines.size()] = '\0';
    list[lines.size() + 1] = '\0';
    size_t listLength = lines.size() + 1;

    size_t needed = rewriteDeviceList(list.get(), listLength, key.c_str(), oldValue.c_str(), newValue.c_str(),
                                      nullptr, 0);
    if (needed < 2)
        abort();
    std::unique_ptr<char[]> out(new char[needed]);
    if (rewriteDeviceList(list.get(), listLength, key.c_str(), oldValue.c_str(), newValue.c_str(), out.get(),
                          needed) != needed)
        abort();
    if (out[needed - 1] != '\0' || out[needed - 2] != '\0')
        abort();

    // A buffer picked by the first byte, too short most of the time.
    size_t shortSize = data[0] % (needed + 1);
    std::unique_ptr<char[]> partial(new char[shortSize == 0 ? 1 : shortSize]);
    rewriteDeviceList(list.get(), listLength, key.c_str(), oldValue.c_str(), newValue.c_str(), partial.get(),
                      shortSize);
    return 0;
}
