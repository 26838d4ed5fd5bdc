// The command line: the switches of recorded and unattended runs taken out,
// the rest the setup-INF pattern as it always was.
#include "setup/shell/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CommandLine, SwitchesAndThePattern)
{
    struct Case {
        const char *line;
        const char *pattern, *record, *silent, *log;
    } cases[] = {
        {"", "", "", "", ""},
        {"   ", "", "", "", ""},
        {"FOO*.INF", "FOO*.INF", "", "", ""},
        {"  \"FOO BAR*.INF\"  ", "FOO BAR*.INF", "", "", ""},
        {"FOO  BAR*.INF", "FOO  BAR*.INF", "", "", ""},
        {"/log:C:\\kit.log", "", "", "", "C:\\kit.log"},
        {"/LOG:a.log /Record:b.ini", "", "b.ini", "", "a.log"},
        {"/log:\"C:\\Setup logs\\kit.log\" FOO*.INF", "FOO*.INF", "", "", "C:\\Setup logs\\kit.log"},
        {"FOO*.INF /silent:\"C:\\a b\\answers.ini\"", "FOO*.INF", "", "C:\\a b\\answers.ini", ""},
        {"\"/log:C:\\quoted word.log\" X.INF", "X.INF", "", "", "C:\\quoted word.log"},
        // Any other quoted word is the pattern, its quotes taken off as
        // they always were.
        {"\"C:\\A B\\*.INF\" /log:x", "C:\\A B\\*.INF", "", "", "x"},
        // A second byte of a double-byte character is never a blank, a quote
        // or a colon.
        {"/log:C:\\\x83\x5c\x83\x5c.log \x95\x5c*.INF", "\x95\x5c*.INF", "", "", "C:\\\x83\x5c\x83\x5c.log"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        CommandLine line;
        ASSERT_TRUE(parseCommandLine(c.line, line));
        EXPECT_EQ(line.error, COMMAND_LINE_OK);
        EXPECT_STREQ(line.pattern, c.pattern);
        EXPECT_STREQ(line.recordFile, c.record);
        EXPECT_STREQ(line.silentFile, c.silent);
        EXPECT_STREQ(line.logFile, c.log);
    }
    CommandLine none;
    EXPECT_TRUE(parseCommandLine(nullptr, none));
    EXPECT_STREQ(none.pattern, "");
}

TEST(CommandLine, WhatCannotBeTakenIsNamed)
{
    const std::string longFile(300, 'x');
    const std::string longSwitch = "/log:" + longFile;
    struct Case {
        std::string line;
        CommandLineError error;
        const char *offending;
    } cases[] = {
        {"/quiet", COMMAND_LINE_UNKNOWN_SWITCH, "/quiet"},
        {"FOO*.INF /s:x.ini", COMMAND_LINE_UNKNOWN_SWITCH, "/s:x.ini"},
        {"/", COMMAND_LINE_UNKNOWN_SWITCH, "/"},
        {"/log", COMMAND_LINE_NO_FILE, "/log"},
        {"/log:", COMMAND_LINE_NO_FILE, "/log"},
        {"/silent:\"\"", COMMAND_LINE_NO_FILE, "/silent"},
        {"/log:a /log:b", COMMAND_LINE_TWICE, "/log"},
        {"/record:a /silent:b", COMMAND_LINE_CONFLICT, "/silent"},
        {longSwitch, COMMAND_LINE_TOO_LONG, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        CommandLine line;
        EXPECT_FALSE(parseCommandLine(c.line.c_str(), line));
        EXPECT_EQ(line.error, c.error);
        if (c.offending != nullptr) {
            EXPECT_STREQ(line.offending, c.offending);
        } else {
            EXPECT_EQ(std::string(line.offending).size(), kCommandPathSize - 1) << "cut to its buffer";
        }
    }
}

}  // namespace
