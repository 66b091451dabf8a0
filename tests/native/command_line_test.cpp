#include <gtest/gtest.h>

#include "app/command_line.h"
#include "ui/error_text.h"

namespace {

TEST(CommandLineTailTest, CutsTheProgramNameAndTheBlanksAfterIt) {
    EXPECT_EQ(CommandLineTail("quillon.exe"), "");
    EXPECT_EQ(CommandLineTail("quillon.exe   "), "");
    EXPECT_EQ(CommandLineTail("  \tquillon.exe fast.qln"), "fast.qln");
    EXPECT_EQ(CommandLineTail("quillon.exe C:\\Tuning Files\\fast.qln"), "C:\\Tuning Files\\fast.qln");
    EXPECT_EQ(CommandLineTail("quillon.exe \t fast.qln  "), "fast.qln  ");
    EXPECT_EQ(CommandLineTail("quillon.exe\tfast.qln"), "fast.qln");
}

TEST(CommandLineTailTest, QuotedProgramNameEndsAtItsClosingQuoteOrATab) {
    EXPECT_EQ(CommandLineTail("\"C:\\Program Files\\Q\\quillon.exe\" C:\\a b.qln"), "C:\\a b.qln");
    EXPECT_EQ(CommandLineTail("\"C:\\Q\\quillon.exe\"x.qln"), "x.qln");
    EXPECT_EQ(CommandLineTail("\"C:\\Q\\quillon.exe\" \"quoted.qln\""), "\"quoted.qln\"");
    EXPECT_EQ(CommandLineTail("\"C:\\Q\\quillon\tfile.qln"), "file.qln");
    EXPECT_EQ(CommandLineTail("\"C:\\never closed\\quillon.exe file.qln"), "");
    EXPECT_EQ(CommandLineTail(""), "");
}

TEST(TrimArgumentTest, DropsBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(TrimArgument("   "), "");
    EXPECT_EQ(TrimArgument("\t\r\n \x01"), "");
    EXPECT_EQ(TrimArgument("  a b.qln \t"), "a b.qln");
    EXPECT_EQ(TrimArgument("\xA0x\xA0"), "\xA0x\xA0");  // above the blank: kept
}

TEST(SettingsPathTest, OnePairOfEnclosingQuotesGoesAfterTrimming) {
    EXPECT_EQ(SettingsPathFromArgument("\"C:\\My Tunings\\fast.qln\""), "C:\\My Tunings\\fast.qln");
    EXPECT_EQ(SettingsPathFromArgument(" \"a b.qln\"  \t"), "a b.qln");
    EXPECT_EQ(SettingsPathFromArgument("\"\"x.qln\"\""), "\"x.qln\"");  // one pair only
    EXPECT_EQ(SettingsPathFromArgument("\"x.qln"), "\"x.qln");          // no pair: kept whole
    EXPECT_EQ(SettingsPathFromArgument("x.qln\""), "x.qln\"");
    EXPECT_EQ(SettingsPathFromArgument("\""), "\"");
    EXPECT_EQ(SettingsPathFromArgument("\"\""), "");
    EXPECT_EQ(SettingsPathFromArgument("C:\\Tuning Files\\fast.qln "), "C:\\Tuning Files\\fast.qln");
}

TEST(SettingsPathTest, TheRunCommandsFileIsItsTailReadTheSameWay) {
    EXPECT_EQ(SettingsPathOfCommand(BuildStartupCommand("C:\\A B\\quillon.exe", "C:\\A B\\startup.qln")),
              "C:\\A B\\startup.qln");
    EXPECT_EQ(SettingsPathOfCommand("C:\\Tools\\quillon.exe \"C:\\Tools\\startup.qln\""),
              "C:\\Tools\\startup.qln");
    EXPECT_EQ(SettingsPathOfCommand("C:\\Tools\\quillon.exe"), "");
}

TEST(StartupCommandTest, QuotesOnlyAProgramPathWithBlanks) {
    EXPECT_EQ(BuildStartupCommand("C:\\Tools\\quillon.exe", "C:\\Tools\\startup.qln"),
              "C:\\Tools\\quillon.exe C:\\Tools\\startup.qln");
    EXPECT_EQ(BuildStartupCommand("C:\\Program Files\\Tuner\\quillon.exe",
                                  "C:\\Program Files\\Tuner\\startup.qln"),
              "\"C:\\Program Files\\Tuner\\quillon.exe\" C:\\Program Files\\Tuner\\startup.qln");
    // The file path, handed back whole by the command-line tail, round-trips.
    const std::string command = BuildStartupCommand("C:\\A B\\quillon.exe", "C:\\A B\\startup.qln");
    EXPECT_EQ(CommandLineTail(command), "C:\\A B\\startup.qln");
}

TEST(ErrorBoxTextTest, AppendsAFullStopUnlessOneOrALowerCharacterEndsIt) {
    EXPECT_EQ(ErrorBoxText("Access violation"), "Access violation.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("List index out of bounds (5)"), "List index out of bounds (5)");
    EXPECT_EQ(ErrorBoxText("trailing blank "), "trailing blank ");
    EXPECT_EQ(ErrorBoxText("a-"), "a-");
    EXPECT_EQ(ErrorBoxText("a,"), "a,");
    EXPECT_EQ(ErrorBoxText("what?"), "what?.");
    EXPECT_EQ(ErrorBoxText("path/"), "path/.");
    EXPECT_EQ(ErrorBoxText("\xE9"), "\xE9.");
    EXPECT_EQ(ErrorBoxText(""), ".");
}

}  // namespace
