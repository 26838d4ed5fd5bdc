// The reader's normalising rules, checked on the exact bytes of the image.
#include "portable/inf_test_util.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <vector>

namespace {

struct ReaderCase {
    const char *what;
    std::string file;
    std::string image;
};

const std::string kEnd = bytes("\0\0\x1a");

TEST(InfReader, NormalisesTheText)
{
    const ReaderCase cases[] = {
        {"empty file", "", kEnd},
        {"only comments and blanks", "; one\r\n  ; two\r\n\r\n\t\r\n", kEnd},
        {"CR LF lines", "a=1\r\nb=2\r\n", bytes("a=1\0b=2") + kEnd},
        {"last line without line break keeps its last character", "a=1\r\nb=2", bytes("a=1\0b=2") + kEnd},
        {"final end-of-file mark adds nothing", "a=1\r\n\x1a", bytes("a=1") + kEnd},
        {"end-of-file mark right after the text adds nothing", "a=1\x1a", bytes("a=1") + kEnd},
        {"end-of-file mark inside the file is kept", "a\x1a" "b", bytes("a\x1a" "b") + kEnd},
        {"unquoted blanks vanish", "key = two words\n", bytes("key=twowords") + kEnd},
        {"quoted blanks stay", "key = \"two words\"\n", bytes("key=\"two words\"") + kEnd},
        {"header with comment", "[Sec] ; comment\nx\n", bytes("[Sec]\0x") + kEnd},
        {"blanks inside a header stay", "[ My Sec ]\n", bytes("[ My Sec ]") + kEnd},
        {"header gets a second NUL", "a\n[S]\nb\n", bytes("a\0\0[S]\0b") + kEnd},
        {"header after a comment line", "a\n; c\n[S]\n", bytes("a\0\0[S]") + kEnd},
        {"nothing before the first line", "\r\n\r\n  [S]\r\nx", bytes("[S]\0x") + kEnd},
        {"comment lines and blank lines are swallowed", "a\n; c\n  ; d\n\n \t\r\n\nb", bytes("a\0b") + kEnd},
        {"semicolon in quotes or brackets is text", "a=\"x;y\"\n[p;q]\n", bytes("a=\"x;y\"\0\0[p;q]") + kEnd},
        {"a quote inside brackets does not toggle", "[a\"b] c\n", bytes("[a\"b]c") + kEnd},
        {"brackets inside quotes do not count", "a=\"[x\" y\n", bytes("a=\"[x\"y") + kEnd},
        {"flags end with the line", "a=\"open\nb = c\n", bytes("a=\"open\0b=c") + kEnd},
        {"CR alone is no line break", "a\rb\n", bytes("ab") + kEnd},
        {"trail bytes 0x5B 0x5C 0x5D are not brackets", "[\x83\x5d x]\nk=\x83\x5b\x83\x5c\x83\x5d\n",
         bytes("[\x83\x5d x]\0k=\x83\x5b\x83\x5c\x83\x5d") + kEnd},
        {"a lead byte takes the next byte unseen", "k=\x83\n;x\n", bytes("k=\x83\n") + kEnd},
        {"lead byte as the very last byte", "k=\x83", bytes("k=\x83") + kEnd},
        {"NUL in the file is written as it is", bytes("a\0b\n"), bytes("a\0b") + kEnd},
        {"comment ends at CR", "a;x\rb\n", bytes("ab") + kEnd},
    };
    for (const ReaderCase &c : cases) {
        InfImage *image = buildInfImage(c.file.data(), c.file.size());
        EXPECT_EQ(imageBytes(image), c.image) << c.what;
        freeInf(image);
    }
}

TEST(InfReader, FinalLineEndingsGiveTheSameImage)
{
    ScopedInf plain("[S]\r\na=1\r\n");
    ScopedInf marked("[S]\r\na=1\r\n\x1a");
    ScopedInf bare("[S]\r\na=1");
    EXPECT_EQ(imageBytes(plain.image), imageBytes(marked.image));
    EXPECT_EQ(imageBytes(plain.image), imageBytes(bare.image));
}

// Writes a file in the current directory and opens it through openInf.
std::string openedImage(const char *name, const std::string &content, InfImage **kept = nullptr)
{
    FILE *f = fopen(name, "wb");
    fwrite(content.data(), 1, content.size(), f);
    fclose(f);
    char path[260];
    snprintf(path, sizeof path, "%s", name);
    InfImage *image = openInf(path);
    std::string result = imageBytes(image);
    if (kept != nullptr)
        *kept = image;
    else
        freeInf(image);
    remove(name);
    return result;
}

TEST(InfReader, FileInChunksReadsAsInMemory)
{
    // A double-byte character, a line break and a pending end-of-file mark
    // each straddle a 1,024-byte chunk boundary somewhere in this text.
    std::string text;
    for (int i = 0; text.size() < 5000; ++i)
        text += "[Sec" + std::to_string(i) + "]\r\nname = \"\x83\x5c value\" ; note\r\n\x1a";
    for (size_t shift = 0; shift < 4; ++shift) {
        std::string shifted = std::string(shift, ' ') + text;
        ScopedInf memory(shifted);
        EXPECT_EQ(openedImage("chunks.inf", shifted), imageBytes(memory.image)) << shift;
    }
}

TEST(InfReader, RefusesWhatDoesNotFitSixteenBits)
{
    std::string comment(65535, ' ');
    comment[0] = ';';
    EXPECT_EQ(openedImage("limit.inf", comment), kEnd) << "65,535 bytes are still read";
    EXPECT_EQ(openedImage("limit.inf", comment + " "), "<none>") << "65,536 bytes are refused";

    // Headers make the image larger than the file: two bytes of file become
    // three of image.
    std::string headers;
    while (headers.size() < 44000)
        headers += "[\n";
    EXPECT_EQ(openedImage("limit.inf", headers), "<none>");
    EXPECT_EQ(buildInfImage(headers.data(), headers.size()), nullptr);
}

TEST(InfReader, GrowsInStepsAndShrinksToSize)
{
    std::string text;
    while (text.size() < 60000)
        text += "key=value\n";
    ScopedInf inf(text);
    ASSERT_NE(inf.image, nullptr);
    EXPECT_EQ(infImageSize(inf.image), 60000u - 1 + 3) << "one NUL per line break, the last one replaced by the end";
}

TEST(InfReader, MissingFileAndEmptyPath)
{
    char path[260] = "no such file.inf";
    EXPECT_EQ(openInf(path), INF_NONE);
    char empty[260] = "";
    InfImage *image = openInf(empty);
    EXPECT_STREQ(empty, "InstDap.inf");
    if (image != INF_NONE)
        freeInf(image);
}

TEST(InfReader, DefaultImageIsTheFirstAndIsForgotten)
{
    ASSERT_EQ(defaultInf, nullptr);
    InfImage *first = buildInfImage("[A]\nk=1\n", 8);
    InfImage *second = buildInfImage("[A]\nk=2\n", 8);
    EXPECT_EQ(defaultInf, first);
    char value[16];
    EXPECT_EQ(getSectionKeyValue(nullptr, "A", "k", value), 1);
    EXPECT_STREQ(value, "1");
    freeInf(nullptr);
    EXPECT_EQ(defaultInf, nullptr);
    EXPECT_EQ(findSection(nullptr, "A"), nullptr);
    EXPECT_EQ(getSectionKeyValue(second, "A", "k", value), 1);
    EXPECT_STREQ(value, "2");
    freeInf(second);
}

// The reader tells where each image line began in the file: comment and
// blank lines take a line number but no image line, and a lead byte at a
// line's end takes the line break, joining the next line to its own.
TEST(InfReader, TellsTheFileLineOfEachImageLine)
{
    const std::string file = bytes("; comment\r\n[Sec]\r\n\r\n  a=1 ; note\r\nb=\x82\nc=2\r\n[Next]\r\nd\r\n");
    std::vector<std::pair<size_t, unsigned>> notes;
    InfImage *image = buildInfImage(
        file.data(), file.size(),
        [](void *context, size_t offset, unsigned line) {
            ((std::vector<std::pair<size_t, unsigned>> *)context)->push_back({offset, line});
        },
        &notes);
    ASSERT_NE(image, nullptr);
    const char *text = infImageText(image);
    std::vector<std::pair<std::string, unsigned>> lines;
    for (const auto &n : notes)
        lines.push_back({text + n.first, n.second});
    const std::vector<std::pair<std::string, unsigned>> expected = {
        {"[Sec]", 2}, {"a=1", 4}, {bytes("b=\x82\nc=2"), 5}, {"[Next]", 7}, {"d", 8}};
    EXPECT_EQ(lines, expected);
    freeInf(image);
}

}  // namespace
