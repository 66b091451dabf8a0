#include "app/machine_folder.h"

#include <windows.h>

#include "hw/concat.h"
#include "hw/hex_text.h"
#include "hw/machine_access.h"
#include "hw/windows_family.h"
#include "model/write_log.h"
#include "ui/messages.h"

namespace {

const char kRecordFolderName[] = "Records";
bool linkTold = false;

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string LinkRefusalText(const std::string& path) {
    return Concat({"\"", path,
                   "\" is a link to another place (a junction, a symbolic or a hard link). Quillon keeps "
                   "this machine's files only in its own folder and does not read or write through the link; "
                   "an administrator should remove it."});
}

// Said once a run: in the log where that is no link itself, and in a message.
void TellLink(const std::string& path, const std::string& logPath) {
    if (linkTold) return;
    linkTold = true;
    if (!logPath.empty() && logPath != path && !RefusedAsLink(logPath))
        AppendToWriteLog(logPath, Concat({LocalTimeText(), " ", LinkRefusalText(path), "\r\n"}));
    ShowProgramMessage(LinkRefusalText(path), kApplicationTitle);
}

// A folder the run may use, made with `access` when it is missing; false for a link.
bool PrepareFolder(const std::string& folder, const char* access, const std::string& logPath) {
    if (IsReparsePoint(folder)) {
        TellLink(folder, logPath);
        return false;
    }
    if (IsFolder(folder)) return true;
    CreationAccess creation(access);
    return CreateDirectoryA(folder.c_str(), creation.get()) || IsFolder(folder);
}

std::string FolderInUse() {
    // Once usable it stays so while it is there: the checks need not run for every entry.
    static std::string usable;
    if (usable.empty() || !IsFolder(usable)) usable = UsableMachineFolder(MachineQuillonFolder(), HasNoAccessList);
    return usable;
}

}  // namespace

std::string UsableMachineFolder(const std::string& folder, bool (*openToEveryone)(const std::string& path)) {
    if (folder.empty()) return folder;
    if (IsFolder(folder) && !IsReparsePoint(folder) && openToEveryone(folder)) {
        const std::string aside = Concat({folder, ".untrusted-", HexText(GetTickCount(), 8)});
        // Only a run that may make the new folder takes the old one away.
        CreationAccess probe(kMachineFolderAccess);
        const std::string trial = Concat({folder, ".new-", HexText(GetCurrentProcessId(), 8)});
        if (!CreateDirectoryA(trial.c_str(), probe.get())) return std::string();
        const bool moved = MoveFileA(folder.c_str(), aside.c_str()) && MoveFileA(trial.c_str(), folder.c_str());
        if (!moved) {
            RemoveDirectoryA(trial.c_str());
            return std::string();
        }
    }
    return PrepareFolder(folder, kMachineFolderAccess, std::string()) ? folder : std::string();
}

std::string MachineFilePath(const char* fileName) {
    const std::string folder = FolderInUse();
    return folder.empty() ? folder : Concat({folder, "\\", fileName});
}

std::string MachineRecordFolderPath() {
    const std::string folder = MachineQuillonFolder();
    return folder.empty() ? folder : Concat({folder, "\\", kRecordFolderName});
}

std::string MachineRecordFolder() {
    const std::string folder = FolderInUse();
    if (folder.empty()) return folder;
    const std::string records = Concat({folder, "\\", kRecordFolderName});
    return PrepareFolder(records, kRecordFolderAccess, MachineFilePath("quillon.log")) ? records : std::string();
}

bool RefusedAsLink(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    if (IsFolder(path) && !IsReparsePoint(path)) return false;  // a folder of the name links nothing
    HANDLE file = OpenUnlinkedFile(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    // Opening asks for no access at all: only the refusal of a link denies it.
    if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    TellLink(path, MachineFilePath("quillon.log"));
    return true;
}
