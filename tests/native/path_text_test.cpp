#include <gtest/gtest.h>

#include "hw/path_text.h"

namespace {

// Code page 932's lead bytes.
bool ShiftJisLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

TEST(PathTextTest, SplitsAtTheLastSeparatorThatIsACharacter) {
    const std::string folder = "C:\\\x83\x5C\x83\x74\x83\x67\\";  // C:\ソフト\ .
    EXPECT_EQ(FolderPart(folder + "a.qln", ShiftJisLeadByte), folder);
    EXPECT_EQ(NamePart(folder + "a.qln", ShiftJisLeadByte), "a.qln");
    EXPECT_EQ(NamePart("C:\\\x95\x5C.qln", ShiftJisLeadByte), "\x95\x5C.qln");  // 表.qln
    EXPECT_EQ(FolderPart("C:\\\x95\x5C.qln", NoLeadBytes), "C:\\\x95\\");        // the same bytes in 1252
    EXPECT_EQ(NamePart("C:/T/a.qln", ShiftJisLeadByte), "a.qln");
    EXPECT_EQ(LastSeparator("a.qln", ShiftJisLeadByte), std::string::npos);
    EXPECT_EQ(FolderPart("a.qln", ShiftJisLeadByte), "");
    // A lead byte cut off at the end is a character of its own.
    EXPECT_EQ(NamePart("C:\\a\x83", ShiftJisLeadByte), "a\x83");
    EXPECT_EQ(NamePart("C:\\a\\\x83\\", ShiftJisLeadByte), "\x83\\");
}

}  // namespace
