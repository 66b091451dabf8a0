// The machine's Quillon folder as no other user can change it: access lists given at
// creation, links in its place refused, a folder an earlier Quillon left open to every
// user not trusted. Wine keeps the access lists of kernel objects but not of files and
// folders (it makes theirs up from the Unix modes), so the folders' lists are read back
// from the descriptors Quillon creates them with.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "app/boot_snapshot.h"
#include "app/machine_folder.h"
#include "app/write_logging.h"
#include "hw/machine_access.h"
#include "hw/windows_family.h"
#include "sim/chipset.h"
#include "tests/support/sim_environment.h"
#include "tests/support/test_files.h"
#include "tests/win/new_boot.h"
#include "tests/win/process_runner.h"

namespace {

const char kSystem[] = "S-1-5-18", kAdministrators[] = "S-1-5-32-544", kCreatorOwner[] = "S-1-3-0";
// What lets a holder change a file, a folder's contents or an object's access list.
const DWORD kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                              FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

struct Ace {
    std::string sid;
    DWORD mask;
    BYTE flags;
};

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return std::string();
    const std::string result = text;
    LocalFree(text);
    return result;
}

// The allowing entries of the descriptor's access list; fails the test where it has none
// (no list at all lets everyone do everything) or denies anything.
std::vector<Ace> AllowedBy(PSECURITY_DESCRIPTOR descriptor) {
    std::vector<Ace> aces;
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    EXPECT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted));
    EXPECT_TRUE(present && list != nullptr) << "no access list: open to every user";
    if (!present || list == nullptr) return aces;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(list, i, &entry)) continue;
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        aces.push_back({SidText(const_cast<DWORD*>(&allowed->SidStart)), allowed->Mask, allowed->Header.AceFlags});
    }
    return aces;
}

// Administrators and SYSTEM change everything; whoever else is named changes nothing,
// but for `userAdds` on the folder itself and what a creator owns.
void ExpectOnlyAdministratorsChange(PSECURITY_DESCRIPTOR descriptor, DWORD userAdds, const char* what) {
    SCOPED_TRACE(what);
    bool system = false, administrators = false;
    for (const Ace& ace : AllowedBy(descriptor)) {
        if (ace.sid == kSystem || ace.sid == kAdministrators) {
            EXPECT_TRUE(ace.mask == FILE_ALL_ACCESS || ace.mask == GENERIC_ALL) << ace.sid;
            (ace.sid == kSystem ? system : administrators) = true;
        } else if (ace.sid == kCreatorOwner) {
            EXPECT_TRUE(ace.flags & INHERIT_ONLY_ACE) << "only what a user made is theirs";
        } else {
            const DWORD own = (ace.flags & INHERIT_ONLY_ACE) ? 0 : userAdds;
            EXPECT_EQ(ace.mask & kChangingRights & ~own, 0u) << ace.sid << " may change it: " << std::hex << ace.mask;
        }
    }
    EXPECT_TRUE(system && administrators);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent folder's entries would reach in";
}

std::string OwnerOf(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && owner != nullptr ? SidText(owner)
                                                                                          : std::string();
}

TEST(MachineAccessTest, FoldersAreMadeWithListsOnlyAdministratorsMayChange) {
    if (OnWindows9x()) GTEST_SKIP() << "9x keeps no access lists";
    CreationAccess folder(kMachineFolderAccess), records(kRecordFolderAccess);
    ASSERT_NE(folder.get(), nullptr);
    ASSERT_NE(records.get(), nullptr);
    ExpectOnlyAdministratorsChange(folder.get()->lpSecurityDescriptor, 0, "the machine's folder");
    ExpectOnlyAdministratorsChange(records.get()->lpSecurityDescriptor, FILE_ADD_FILE, "the records' folder");
    // Owned by the group only an administrator's run may name: no other user makes them.
    EXPECT_EQ(OwnerOf(folder.get()->lpSecurityDescriptor), kAdministrators);
    EXPECT_EQ(OwnerOf(records.get()->lpSecurityDescriptor), kAdministrators);
}

// A folder an earlier Quillon made with no access list: whatever is in it may be any
// user's work. A run that may make the folder moves it aside whole and starts anew.
TEST(MachineAccessTest, AFolderLeftOpenToEveryUserIsMovedAsideAndMadeAnew) {
    const std::string root = MakeScratchFolder("open"), folder = root + "\\Quillon";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    WriteWholeFile(folder + "\\boot.qln", "[PCI]\r\nPCILatency=248\r\n");
    EXPECT_EQ(UsableMachineFolder(folder, [](const std::string&) { return false; }), folder);
    EXPECT_TRUE(FileExists(folder + "\\boot.qln")) << "a folder with a list is used as it is";

    EXPECT_EQ(UsableMachineFolder(folder, [](const std::string&) { return true; }), folder);
    EXPECT_TRUE(FolderNames(folder).empty()) << "a forged snapshot kept";
    const std::vector<std::string> names = FolderNames(root);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "Quillon");
    EXPECT_EQ(names[1].rfind("Quillon.untrusted-", 0), 0u) << names[1];
    EXPECT_TRUE(FileExists(root + "\\" + names[1] + "\\boot.qln")) << "the old files stay for a person to read";
    RemoveTree(root);
}

// The Unix path Wine keeps a Windows path at.
std::string UnixPathOf(const std::string& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return std::string();
    std::wstring wide(path.begin(), path.end());
    char* name = unixName(wide.c_str());
    if (name == nullptr) return std::string();
    const std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a Unix program, then waits (its process cannot be) until the link is there or gone.
bool RunUnix(std::string command, const std::string& link, bool linked) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 200 && IsReparsePoint(link) != linked; ++i) Sleep(25);
    return IsReparsePoint(link) == linked;
}

// The folder made a symbolic link to another, as Wine shows one: a reparse point.
bool LinkFolder(const std::string& link, const std::string& target) {
    const std::string unixLink = UnixPathOf(link), unixTarget = UnixPathOf(target);
    return !unixLink.empty() && !unixTarget.empty() && RunUnix("/bin/ln -s " + unixTarget + " " + unixLink, link, true);
}

void RemoveLink(const std::string& link) {
    if (IsReparsePoint(link)) RunUnix("/bin/rm -f " + UnixPathOf(link), link, false);
}

// Where the machine's folder goes on 9x: SHFOLDER.DLL names the application data folder
// for all users before any program made it (S_FALSE); it is made and used, never the
// program's own folder instead.
std::string namedFolder;
HRESULT WINAPI NameFolder(HRESULT answer, LPSTR folder) {
    lstrcpynA(folder, namedFolder.c_str(), MAX_PATH);
    return answer;
}
HRESULT WINAPI NamedNotMade(HWND, int, HANDLE, DWORD, LPSTR folder) { return NameFolder(S_FALSE, folder); }
HRESULT WINAPI Named(HWND, int, HANDLE, DWORD, LPSTR folder) { return NameFolder(S_OK, folder); }
HRESULT WINAPI NoneNamed(HWND, int, HANDLE, DWORD, LPSTR folder) { return NameFolder(E_FAIL, folder); }

TEST(MachineFolderPlaceTest, AnApplicationDataFolderNamedButNotMadeYetIsMadeAndUsed) {
    const std::string root = MakeScratchFolder("appdata");
    namedFolder = root + "\\Application Data";
    EXPECT_EQ(CommonAppDataFolderFrom(NamedNotMade), namedFolder);
    const DWORD attributes = GetFileAttributesA(namedFolder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(CommonAppDataFolderFrom(Named), namedFolder);
    EXPECT_EQ(CommonAppDataFolderFrom(NoneNamed), "");
    EXPECT_EQ(CommonAppDataFolderFrom(nullptr), "");
    RemoveTree(root);
}

// The program's own folder, where no application data folder is named: "ソ" is 83 5C
// in code page 932, its second byte that of '\'.
TEST(MachineFolderPlaceTest, CodePageOfEastAsiaProgramFolderIsSplitByCharacter) {
    const std::string name = InSystemCodePage(L"\u8868\u30BD.exe");  // 表ソ.exe
    if (name.empty()) GTEST_SKIP() << "the code page lacks the characters";
    EXPECT_EQ(FolderOfProgram("C:\\Tools\\" + name), "C:\\Tools");
    EXPECT_EQ(FolderOfProgram("C:\\quillon.exe"), "C:");
}

// The machine's folder and its files under Wine, with quillon.exe started on them.
class MachineFolderTest : public SimulationTest {
protected:
    MachineFolderTest() : SimulationTest("machine"), machineFolder_(MachineQuillonFolder()) {
        start_ = StartInFolder(folder_, state_, log_);
        WriteWholeFile(folder_ + "\\one.qln", "[PCI]\r\nPCILatency=64\r\n");
        start_.argumentTail = "one.qln";
        elsewhere_ = folder_ + "\\elsewhere";
        CreateDirectoryA(elsewhere_.c_str(), nullptr);
        ForgetBootRecord();
    }
    ~MachineFolderTest() override {
        RemoveLink(machineFolder_);
        ForgetBootRecord();
    }
    unsigned PciLatency() const { return ChipsetStateOrPowerOn(state_).ConfigRead(0, 8, 0, 0x18) >> 24; }

    const std::string machineFolder_;
    std::string elsewhere_;
    ProgramStart start_;
};

TEST_F(MachineFolderTest, AFolderThatIsALinkToAnotherPlaceIsRefusedAndSaid) {
    if (OnWindows9x()) GTEST_SKIP() << "9x knows no reparse points";
    RemoveTree(machineFolder_);
    if (!LinkFolder(machineFolder_, elsewhere_)) GTEST_SKIP() << "no symbolic link could be made";
    const ProgramRun run = RunProgram(start_);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(PciLatency(), 64u) << "the apply itself goes on";
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_NE(run.boxes[0].text.find("\"" + machineFolder_ + "\" is a link to another place"), std::string::npos)
        << run.boxes[0].text;
    EXPECT_TRUE(FolderNames(elsewhere_).empty()) << "written through the link";
}

// Kernel objects keep their lists under Wine: the port lock as quillon.exe makes it,
// read back while it runs (slowed down; the lock goes with the process).
TEST_F(MachineFolderTest, ThePortLockHasAListNoOtherUserMayChange) {
    if (OnWindows9x()) GTEST_SKIP() << "9x keeps no access lists";
    start_.environment = {{"QUILLON_SIM_DELAY_MS", "20"}};
    std::vector<char> descriptor;
    start_.whileRunning = [&](unsigned long) {
        if (!descriptor.empty()) return false;
        HANDLE lock = OpenMutexA(READ_CONTROL, FALSE, MachineWideObjectName("QuillonPciConfigPorts").c_str());
        if (lock == nullptr) return false;
        DWORD size = 0;
        GetKernelObjectSecurity(lock, DACL_SECURITY_INFORMATION, nullptr, 0, &size);
        descriptor.resize(size);
        if (size == 0 || !GetKernelObjectSecurity(lock, DACL_SECURITY_INFORMATION, descriptor.data(), size, &size))
            descriptor.clear();
        CloseHandle(lock);
        return false;
    };
    ASSERT_TRUE(RunProgram(start_).finished);
    ASSERT_FALSE(descriptor.empty()) << "the lock was never seen";
    bool othersWait = false;
    for (const Ace& ace : AllowedBy(descriptor.data())) {
        if (ace.sid == kSystem || ace.sid == kAdministrators) continue;
        EXPECT_EQ(ace.mask & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE), 0u) << ace.sid;
        othersWait = othersWait || (ace.mask & SYNCHRONIZE);
    }
    EXPECT_TRUE(othersWait) << "another user's Quillon could not wait for the ports";
}

// Another name of a file elsewhere (a hard link any user may make to a file they can
// read) in the place of the log or the snapshot: neither read nor written through.
TEST_F(MachineFolderTest, AFileThatIsAHardLinkIsNeitherReadNorWrittenThrough) {
    const std::string secret = elsewhere_ + "\\secret.txt";
    for (const std::string& linked : {WriteLogPath(), BootSnapshotPath()}) {
        SCOPED_TRACE(linked);
        WriteWholeFile(secret, "not Quillon's\r\n");
        DeleteFileA(WriteLogPath().c_str());
        DeleteFileA(BootSnapshotPath().c_str());
        ForgetBootRecord();
        ASSERT_TRUE(CreateHardLinkA(linked.c_str(), secret.c_str(), nullptr));
        const ProgramRun run = RunProgram(start_);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_NE(run.boxes[0].text.find("\"" + linked + "\" is a link to another place"), std::string::npos)
            << run.boxes[0].text;
        EXPECT_EQ(ReadWholeFile(secret), "not Quillon's\r\n");
        DeleteFileA(linked.c_str());
    }
    const std::string log = ReadWholeFile(WriteLogPath());
    EXPECT_NE(log.find("\"" + BootSnapshotPath() + "\" is a link to another place"), std::string::npos) << log;
    DeleteFileA(WriteLogPath().c_str());
}

}  // namespace
