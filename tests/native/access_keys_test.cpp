#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/access_keys.h"

namespace {

std::vector<std::string> Marked(const std::vector<std::string>& captions) {
    const std::vector<size_t> keys = AssignAccessKeys(captions);
    std::vector<std::string> marked;
    for (size_t i = 0; i < captions.size(); ++i) marked.push_back(MarkAccessKey(captions[i], keys[i]));
    return marked;
}

TEST(AccessKeys, FileMenuTakesEachCaptionsFirstLetter) {
    EXPECT_EQ(Marked({"Save ...", "Load ...", "", "Apply Settings at Startup", "Remove Startup settings", "",
                      "Exit"}),
              (std::vector<std::string>{"&Save ...", "&Load ...", "", "&Apply Settings at Startup",
                                        "&Remove Startup settings", "", "&Exit"}));
    EXPECT_EQ(Marked({"File"}), std::vector<std::string>{"&File"});
}

TEST(AccessKeys, LaterItemsSkipKeysTakenWithoutRegardToCase) {
    EXPECT_EQ(Marked({"Save", "save as", "S-1", "sA", "SAVE"}),
              (std::vector<std::string>{"&Save", "s&ave as", "S-&1", "sA", "SA&VE"}));
}

TEST(AccessKeys, OnlyLettersAndDigitsQualify) {
    EXPECT_EQ(Marked({"... (x)", "\xC4rger", "!?"}), (std::vector<std::string>{"... (&x)", "\xC4&rger", "!?"}));
}

TEST(AccessKeys, SeparatorsTakeNoKeyAndDoNotUseOne) {
    const std::vector<size_t> keys = AssignAccessKeys({"", "Exit", ""});
    EXPECT_EQ(keys, (std::vector<size_t>{kNoAccessKey, 0, kNoAccessKey}));
}

TEST(AccessKeys, AmpersandsOfTheCaptionShowAsWritten) {
    EXPECT_EQ(MarkAccessKey("Save & Exit", 0), "&Save && Exit");
    EXPECT_EQ(Marked({"& more", "&"}), (std::vector<std::string>{"&& &more", "&&"}));
}

}  // namespace
