// editFieldList and the entry splits on arbitrary current values and fields:
// no crash, no write past the result buffer, always a terminated result.
#include "fuzz_parts.h"
#include "setup/sysconfig/config_text.h"

#include <stdlib.h>
#include <string.h>

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the result buffer's size (1 to 260 bytes).
    size_t resultSize = 1 + data[0] % 260;
    std::vector<std::string> parts = fuzzParts(data + 1, size - 1, 3);
    const std::string &current = parts[0], &oldField = parts[1], &newField = parts[2];
    // Values hold no NUL; a NUL in the rest simply ends the new field.
    std::unique_ptr<char[]> result(new char[resultSize]);
    if (editFieldList(current.c_str(), oldField.c_str(), newField.c_str(), result.get(), resultSize)) {
        if (memchr(result.get(), '\0', resultSize) == nullptr)
            abort();
        if (oldField.empty() && newField.empty() && strcmp(result.get(), current.c_str()) != 0)
            abort();   // nothing asked: the value stays as it was
    }

    // The same texts as INF entries.
    std::unique_ptr<char[]> key(new char[resultSize]), value(new char[resultSize]);
    splitEntry(current.c_str(), key.get(), resultSize, value.get(), resultSize);
    std::string line = current;
    size_t length = strlen(line.c_str());
    unquoteGroupLine(&line[0]);
    if (strlen(line.c_str()) > length)
        abort();
    dropEnclosingQuotes(&line[0]);
    return 0;
}
