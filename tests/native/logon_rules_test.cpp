#include <gtest/gtest.h>

#include "app/logon_rules.h"

namespace {

TEST(SamePathTest, IgnoresLetterCaseSeparatorKindAndRuns) {
    EXPECT_TRUE(SamePath("C:\\Tools\\startup.qln", "c:\\TOOLS\\Startup.QLN"));
    EXPECT_TRUE(SamePath("C:\\\\startup.qln", "C:\\startup.qln"));  // started at a drive's root
    EXPECT_TRUE(SamePath("C:/Tools//startup.qln", "C:\\Tools\\startup.qln"));
    EXPECT_TRUE(SamePath("\\\\server\\share\\s.qln", "\\\\SERVER\\share\\s.qln"));
    EXPECT_FALSE(SamePath("\\\\server\\share\\s.qln", "\\server\\share\\s.qln"));
    EXPECT_FALSE(SamePath("C:\\Tools\\startup.qln", "C:\\Tools\\startup.qln.bak"));
    EXPECT_FALSE(SamePath("C:\\Tools\\startup.qln", "D:\\Tools\\startup.qln"));
    EXPECT_FALSE(SamePath("C:\\T\xC9\\s.qln", "C:\\T\xE9\\s.qln"));  // beyond ASCII: exact
    EXPECT_FALSE(SamePath("", "C:\\startup.qln"));
}

TEST(PendingRecordTest, NamesItsFileAndOnlyWhenComplete) {
    const std::string file = "C:\\Program Files\\Tuner\\startup.qln";
    EXPECT_EQ(PendingRecordPath(file), file + ".pending");
    const std::string text = PendingRecordText(file);
    EXPECT_TRUE(RecordNamesFile(text, file));
    EXPECT_TRUE(RecordNamesFile(text, "c:\\program files\\tuner\\STARTUP.QLN"));
    EXPECT_FALSE(RecordNamesFile(text, "C:\\Other\\startup.qln"));
    EXPECT_FALSE(RecordNamesFile(text.substr(0, text.size() - 1), file));  // cut short
    EXPECT_FALSE(RecordNamesFile("", file));
}

TEST(PendingRecordTest, SharedRecordIsNamedAfterTheFileAlone) {
    EXPECT_EQ(SharedRecordPath("C:\\ProgramData\\Quillon", "C:\\Program Files\\Tuner\\startup.qln"),
              "C:\\ProgramData\\Quillon\\startup.qln.pending");
    EXPECT_EQ(SharedRecordPath("C:\\ProgramData\\Quillon", "C:/Tuner/fast.qln"),
              "C:\\ProgramData\\Quillon\\fast.qln.pending");
    EXPECT_EQ(SharedRecordPath("D:\\Shared", "\\\\server\\share\\s.qln"),
              "D:\\Shared\\s.qln.pending");
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
