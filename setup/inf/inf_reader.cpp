// Reading an INF file into its normalised image: comments, blanks and line
// ends are dropped as the bytes go by, and section headers are marked.
#include "setup/inf/inf.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_platform.h"
#include "setup/inf/text.h"

InfImage *defaultInf = nullptr;

namespace {

const char kEndOfFile = 0x1A;

// The reader's state between bytes, so that the file can arrive in chunks.
struct InfReader {
    char *image;
    size_t used;
    size_t capacity;
    bool failed;
    bool inQuotes;
    bool inBrackets;
    bool inComment;
    bool atLineStart;   // after a line break: skipping blanks before the next line
    bool trailPending;  // the next byte is the second half of a double-byte character
    bool eofPending;    // a 0x1A seen; it counts only if more bytes follow
    bool wroteAnything;
    InfLineNote note;   // optional: told where each line starts
    void *noteContext;
    unsigned lineBreaks; // LF bytes of the file so far
};

bool put(InfReader &r, char c)
{
    if (r.failed)
        return false;
    if (r.used + 1 >= kInfSizeLimit) {
        r.failed = true;
        return false;
    }
    if (r.used == r.capacity) {
        void *grown = infHeapResize(r.image, r.capacity + kInfGrowthStep);
        if (grown == nullptr) {
            r.failed = true;
            return false;
        }
        r.image = (char *)grown;
        r.capacity += kInfGrowthStep;
    }
    r.image[r.used++] = c;
    r.wroteAnything = true;
    return true;
}

void handleByte(InfReader &r, char c);

// The first byte of a new line after a line break: ends the previous line,
// and marks a section header with a second NUL. Nothing is written before
// the first line of the file, so a header there has no NUL before it.
void beginLine(InfReader &r, char c)
{
    r.atLineStart = false;
    if (c == ';') {
        r.inComment = true;
        return;
    }
    if (r.wroteAnything) {
        put(r, '\0');
        if (c == '[')
            put(r, '\0');
    }
    if (r.note != nullptr && !r.failed)
        r.note(r.noteContext, r.used, r.lineBreaks + 1);
    handleByte(r, c);
}

void handleByte(InfReader &r, char c)
{
    if (r.trailPending) {
        r.trailPending = false;
        put(r, c);
        return;
    }
    if (r.inComment) {
        if (c != '\n' && c != '\r' && c != '\0' && c != kEndOfFile)
            return;
        r.inComment = false;
    }
    if (r.atLineStart) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            return;
        beginLine(r, c);
        return;
    }
    switch (c) {
    case '\r':
        return;
    case ' ':
    case '\t':
        if (r.inQuotes || r.inBrackets)
            put(r, c);
        return;
    case '"':
        put(r, c);
        if (!r.inBrackets)
            r.inQuotes = !r.inQuotes;
        return;
    case '[':
        put(r, c);
        if (!r.inQuotes)
            r.inBrackets = true;
        return;
    case ']':
        put(r, c);
        if (!r.inQuotes)
            r.inBrackets = false;
        return;
    case ';':
        if (r.inQuotes || r.inBrackets)
            put(r, c);
        else
            r.inComment = true;
        return;
    case '\n':
        r.inQuotes = r.inBrackets = false;
        r.atLineStart = true;
        return;
    default:
        if (isLeadByte((unsigned char)c))
            r.trailPending = true;
        put(r, c);
        return;
    }
}

bool startReader(InfReader &r)
{
    r = InfReader();
    // The first line starts like any other, but with nothing to end.
    r.atLineStart = true;
    r.image = (char *)infHeapAllocate(kInfGrowthStep);
    if (r.image == nullptr)
        return false;
    r.capacity = kInfGrowthStep;
    return true;
}

// Bytes that every rule passes through unchanged when no flag is set.
bool plainByte(unsigned char c)
{
    switch (c) {
    case '\r': case '\n': case ' ': case '\t': case '"': case '[': case ']': case ';': case kEndOfFile:
        return false;
    default:
        return !isLeadByte(c);
    }
}

void feedReader(InfReader &r, const char *bytes, size_t length)
{
    for (size_t i = 0; i < length && !r.failed; ++i) {
        if (bytes[i] == '\n')
            ++r.lineBreaks;
        // The common case, most bytes of a line: copied as they are.
        if (!r.inQuotes && !r.inBrackets && !r.inComment && !r.atLineStart && !r.trailPending && !r.eofPending &&
            plainByte((unsigned char)bytes[i])) {
            put(r, bytes[i]);
            continue;
        }
        // An end-of-file mark counts as an ordinary byte unless it is the
        // very last byte of the file, which adds nothing.
        if (r.eofPending) {
            r.eofPending = false;
            handleByte(r, kEndOfFile);
        }
        if (bytes[i] == kEndOfFile && !r.trailPending)
            r.eofPending = true;
        else
            handleByte(r, bytes[i]);
    }
}

// Writes the end marks and shrinks the block to its exact size. The last
// line needs no line break: every byte of the file has been handled, and a
// final line break, blanks or end-of-file mark added nothing.
InfImage *finishReader(InfReader &r)
{
    if (!r.failed) {
        put(r, '\0');
        put(r, '\0');
        put(r, kEndOfFile);
    }
    if (r.failed) {
        infHeapRelease(r.image);
        return nullptr;
    }
    void *exact = infHeapResize(r.image, r.used);
    if (exact != nullptr)
        r.image = (char *)exact;
    InfImage *image = (InfImage *)r.image;
    if (defaultInf == nullptr)
        defaultInf = image;
    return image;
}

}  // namespace

InfImage *buildInfImage(const char *bytes, size_t length, InfLineNote note, void *noteContext)
{
    if (length >= kInfSizeLimit)
        return nullptr;
    InfReader reader;
    if (!startReader(reader))
        return nullptr;
    reader.note = note;
    reader.noteContext = noteContext;
    feedReader(reader, bytes, length);
    return finishReader(reader);
}

InfImage *openInf(char *path, size_t pathSize)
{
    if (path[0] == '\0')
        copyTextN(path, pathSize, "InstDap.inf");
    InfFile *file = infFileOpen(path);
    if (file == nullptr)
        return INF_NONE;

    InfImage *image = nullptr;
    long size = infFileSize(file);
    char *chunk = (char *)infHeapAllocate(kInfReadChunk);
    InfReader reader;
    if (size >= 0 && (size_t)size < kInfSizeLimit && chunk != nullptr && startReader(reader)) {
        long total = 0;
        for (;;) {
            long got = infFileRead(file, chunk, kInfReadChunk);
            if (got < 0)
                reader.failed = true;
            if (got <= 0 || reader.failed)
                break;
            total += got;
            // A file that grew while it was read is no longer what was measured.
            if ((size_t)total >= kInfSizeLimit)
                reader.failed = true;
            feedReader(reader, chunk, (size_t)got);
        }
        image = finishReader(reader);
    }
    if (chunk != nullptr)
        infHeapRelease(chunk);
    infFileClose(file);
    return image;
}

void freeInf(InfImage *image)
{
    if (image == nullptr)
        image = defaultInf;
    if (image == nullptr || image == INF_NONE)
        return;
    if (image == defaultInf)
        defaultInf = nullptr;
    forgetSections(image);
    infHeapRelease(image);
}

size_t infImageSize(InfImage *image)
{
    if (image == nullptr)
        image = defaultInf;
    if (image == nullptr || image == INF_NONE)
        return 0;
    return infHeapSize(image);
}

const char *infImageText(InfImage *image)
{
    if (image == nullptr)
        image = defaultInf;
    if (image == nullptr || image == INF_NONE)
        return nullptr;
    return (const char *)image;
}
