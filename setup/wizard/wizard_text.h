// The wizard's texts and figures that need no window: sizes as the pages
// show them, the lines of the machine list, the progress bar's position.
// Portable: also built and tested natively.
#pragma once
#include <stddef.h>
#include <stdint.h>

// bytes in whole megabytes and one decimal, "%d.%1d MB", every figure
// rounded up to the next tenth (1 byte gives "0.1 MB"). The megabytes are
// the whole 64-bit figure. false when out is too small (out then empty).
bool formatSize(uint64_t bytes, char *out, size_t size);
template <size_t N> inline bool formatSize(uint64_t bytes, char (&out)[N])
{
    return formatSize(bytes, out, N);
}

// value in decimal digits; false when out is too small (out then empty).
bool formatDecimal(uint64_t value, char *out, size_t size);

// The model families the wizard knows: a family key as [MachineModels] of
// the machine list gives it (compared exactly, case-sensitive) and the
// string that names the family's section, which is the key itself. Tested
// in this order.
struct ModelFamily {
    const char *key;
    unsigned sectionString;
};
extern const ModelFamily kModelFamilies[10];

// In a floppy kit the nickname and model lists start at the ninth line of
// their section: this is added to the chosen entry's index.
const int kFloppyListOffset = 8;

// The model key when no model was chosen.
const char kDefaultModel[] = "4410Q";

// A line of the machine list: the display text before its first comma and
// the key after it. Without a comma the whole line is the display text, the
// key stays empty and the answer is false. Both are cut to fit their buffers
// at a character boundary.
bool splitListLine(const char *line, char *display, size_t displaySize, char *key, size_t keySize);

// Where the progress bar stands (0 to 100) before component index of pass
// (1-based) in a run of passCount passes over componentCount components;
// pass 1 of 1 is the ordinary run. 0 when there is nothing to count.
int progressPosition(int pass, int passCount, int index, int componentCount);

// a + b, held at the largest value instead of wrapping.
inline uint64_t addSaturated(uint64_t a, uint64_t b)
{
    return a + b < a ? UINT64_MAX : a + b;
}
