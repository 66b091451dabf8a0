// The [Machine] keys of a settings file and their comparison with this machine.
#include <gtest/gtest.h>

#include "model/machine_profile.h"

namespace {

TEST(MachineProfileTest, IdsAsUpperCaseHexadecimal) {
    EXPECT_EQ(FunctionProfileText(0x01E010DE, 0x060000C1), "10DE:01E0 C1");
    EXPECT_EQ(FunctionProfileText(0x00ab8086, 0x05000003), "8086:00AB 03");
    EXPECT_EQ(BoardProfileText(0x0C111043), "1043:0C11");
}

TEST(MachineProfileTest, OnlyKeysTheFileNamesAreComparedWithoutRegardToCase) {
    const MachineProfile here = {{"HostBridge", "10DE:01E0 C1"},
                                 {"MemoryController", "10DE:01EB C1"},
                                 {"AgpBridge", "10DE:01E8 C1"},
                                 {"PciBridge", ""},
                                 {"Board", "1043:0C11"}};
    EXPECT_EQ(MachineDifferences({}, here), "");
    EXPECT_EQ(MachineDifferences({{"hostbridge", "10de:01e0 c1"}, {"Board", "1043:0c11"}}, here), "");

    EXPECT_EQ(MachineDifferences({{"AgpBridge", "10DE:01E8 A2"}}, here),
              "AgpBridge: saved on 10DE:01E8 A2; this machine has 10DE:01E8 C1\n");
    // A bridge the file has and this machine lacks, and a value nobody could have saved.
    EXPECT_EQ(MachineDifferences({{"PciBridge", "10DE:006C A3"}, {"Board", "1043 0C11"}}, here),
              "PciBridge: saved on 10DE:006C A3; this machine has none\n"
              "Board: saved on 1043 0C11; this machine has 1043:0C11\n");
}

TEST(MachineProfileTest, MessagesNameTheFileAndTheDifferences) {
    const std::string lines = "Board: saved on 1043:0C11; this machine has 1458:5000\n";
    const std::string refusal = OtherMachineRefusal("C:\\t\\fast.qln", lines);
    EXPECT_EQ(refusal.find("\"C:\\t\\fast.qln\" was saved on another machine"), 0u);
    EXPECT_NE(refusal.find(lines), std::string::npos);
    EXPECT_NE(refusal.find("Nothing was written"), std::string::npos);
    EXPECT_NE(OtherMachineQuestion("x.qln", lines).find("Load it anyway?"), std::string::npos);
}

}  // namespace
