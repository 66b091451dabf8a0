#include <gtest/gtest.h>

#include "app/logon_rules.h"

namespace {

TEST(SamePathTest, IgnoresLetterCaseSeparatorKindAndRuns) {
    EXPECT_TRUE(SamePath("C:\\Tools\\startup.qln", "c:\\TOOLS\\Startup.QLN", NoLeadBytes));
    EXPECT_TRUE(SamePath("C:\\\\startup.qln", "C:\\startup.qln", NoLeadBytes));  // started at a drive's root
    EXPECT_TRUE(SamePath("C:/Tools//startup.qln", "C:\\Tools\\startup.qln", NoLeadBytes));
    EXPECT_TRUE(SamePath("\\\\server\\share\\s.qln", "\\\\SERVER\\share\\s.qln", NoLeadBytes));
    EXPECT_FALSE(SamePath("\\\\server\\share\\s.qln", "\\server\\share\\s.qln", NoLeadBytes));
    EXPECT_FALSE(SamePath("C:\\Tools\\startup.qln", "C:\\Tools\\startup.qln.bak", NoLeadBytes));
    EXPECT_FALSE(SamePath("C:\\Tools\\startup.qln", "D:\\Tools\\startup.qln", NoLeadBytes));
    EXPECT_FALSE(SamePath("C:\\T\xC9\\s.qln", "C:\\T\xE9\\s.qln", NoLeadBytes));  // beyond ASCII: exact
    EXPECT_FALSE(SamePath("", "C:\\startup.qln", NoLeadBytes));
}

TEST(PendingRecordTest, NamesItsFileAndOnlyWhenComplete) {
    const std::string file = "C:\\Program Files\\Tuner\\startup.qln";
    EXPECT_EQ(PendingRecordPath(file), file + ".pending");
    const std::string text = PendingRecordText(file);
    EXPECT_TRUE(RecordNamesFile(text, file, NoLeadBytes));
    EXPECT_TRUE(RecordNamesFile(text, "c:\\program files\\tuner\\STARTUP.QLN", NoLeadBytes));
    EXPECT_FALSE(RecordNamesFile(text, "C:\\Other\\startup.qln", NoLeadBytes));
    EXPECT_FALSE(RecordNamesFile(text.substr(0, text.size() - 1), file, NoLeadBytes));  // cut short
    EXPECT_FALSE(RecordNamesFile("", file, NoLeadBytes));
}

TEST(PendingRecordTest, SharedRecordIsNamedAfterTheFileAlone) {
    const std::string shared = "C:\\ProgramData\\Quillon";
    EXPECT_EQ(SharedRecordPath(shared, "C:\\Program Files\\Tuner\\startup.qln", NoLeadBytes),
              shared + "\\startup.qln.pending");
    EXPECT_EQ(SharedRecordPath(shared, "C:/Tuner/fast.qln", NoLeadBytes), shared + "\\fast.qln.pending");
    EXPECT_EQ(SharedRecordPath("D:\\Shared", "\\\\server\\share\\s.qln", NoLeadBytes),
              "D:\\Shared\\s.qln.pending");
}

// Code page 932: "\x83\x5C" is one character, whose second byte is that of '\'.
bool ShiftJisLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

TEST(PendingRecordTest, PathsInADoubleByteCodePageAreSplitAndComparedByCharacter) {
    const std::string file = "C:\\\x83\x5C\x83\x74\x83\x67\\a.qln";  // C:\ソフト\a.qln
    EXPECT_EQ(SharedRecordPath("D:\\Shared", file, ShiftJisLeadByte), "D:\\Shared\\a.qln.pending");
    EXPECT_EQ(SharedRecordPath("D:\\Shared", "C:\\\x83\x5C", ShiftJisLeadByte), "D:\\Shared\\\x83\x5C.pending");
    EXPECT_TRUE(RecordNamesFile(PendingRecordText(file), file, ShiftJisLeadByte));
    // A trail byte is neither a separator to fold nor a letter to lower: "\x83\x41" and
    // "\x83\x61" are two characters.
    EXPECT_FALSE(SamePath("C:\\\x83\x5C\\a.qln", "C:\\\x83\x5C" "a.qln", ShiftJisLeadByte));
    EXPECT_FALSE(SamePath("C:\\\x83\x41.qln", "C:\\\x83\x61.qln", ShiftJisLeadByte));
    EXPECT_TRUE(SamePath("C:\\\x83\x41\\A.qln", "c:\\\x83\x41\\a.QLN", ShiftJisLeadByte));
}

TEST(ConfirmationPeriodTest, TwoMinutesUnlessAShorterWholeNumberIsSet) {
    EXPECT_EQ(ConfirmationPeriodSeconds(""), 120u);
    EXPECT_EQ(ConfirmationPeriodSeconds("3"), 3u);
    EXPECT_EQ(ConfirmationPeriodSeconds("0"), 0u);
    EXPECT_EQ(ConfirmationPeriodSeconds("119"), 119u);
    EXPECT_EQ(ConfirmationPeriodSeconds("600"), 120u);  // shortened only
    EXPECT_EQ(ConfirmationPeriodSeconds("99999999999"), 120u);
    EXPECT_EQ(ConfirmationPeriodSeconds("-5"), 120u);
    EXPECT_EQ(ConfirmationPeriodSeconds("2s"), 120u);
    EXPECT_EQ(ConfirmationPeriodSeconds(" 2"), 120u);
    EXPECT_EQ(ShiftWatchMilliseconds(""), 2000u);
    EXPECT_EQ(ShiftWatchMilliseconds("100"), 100u);
    EXPECT_EQ(ShiftWatchMilliseconds("5000"), 2000u);  // shortened only
}

TEST(LogonTextsTest, NameTheFileAsGiven) {
    EXPECT_EQ(UnconfirmedApplyQuestion("C:\\Tools\\startup.qln"),
              "The tuning in \"C:\\Tools\\startup.qln\" was applied at an earlier logon, and Windows "
              "did not stay up for two minutes afterwards.\n\nIt was not applied this time. Apply it "
              "now anyway?");
    EXPECT_EQ(ShiftSkipMessage("C:\\Tools\\startup.qln"),
              "Shift was held: the tuning in \"C:\\Tools\\startup.qln\" was not applied.");
}

}  // namespace
