#include "model/settings.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "hw/code_page.h"
#include "hw/concat.h"
#include "hw/hex_text.h"
#include "hw/path_text.h"
#include "hw/pci_registers.h"
#include "hw/program_error.h"
#include "hw/windows_family.h"
#include "model/field_catalogue.h"
#include "model/number_text.h"

namespace {

constexpr DWORD kValueBufferSize = 2048;
// Stands for "the file does not name this key": no value a user writes looks like it.
const char kNotNamed[] = "\x01";

// The failures that name the file, each thrown from one place rather than built at
// every check.
[[noreturn]] void CannotWrite(const std::string& path) { throw ProgramError("Unable to write to " + path); }
[[noreturn]] void CannotRead(const std::string& path) { throw ProgramError("Unable to read " + path); }

// The full path of a settings file. Handed a bare name, the profile functions would use
// the Windows folder instead of the current one, so every file is addressed this way.
// Fails for a path that is empty or does not expand to less than MAX_PATH characters.
std::string FullSettingsPath(const char* path) {
    if (path == nullptr || *path == '\0') throw ProgramError("No settings file named");
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) throw ProgramError(std::string("Unusable settings path ") + path);
    return std::string(full, length);
}

// One INI file through the profile functions.
class ProfileFile {
public:
    explicit ProfileFile(std::string fullPath) : fullPath_(std::move(fullPath)) {}

    void Write(const char* section, const char* key, const std::string& text) const {
        if (!WritePrivateProfileStringA(section, key, text.c_str(), fullPath_.c_str()))
            CannotWrite(fullPath_);
    }

    // Takes the key out of the file, where it is there at all.
    void Remove(const char* section, const char* key) const {
        if (Read(section, key, kNotNamed) == kNotNamed) return;
        if (!WritePrivateProfileStringA(section, key, nullptr, fullPath_.c_str()))
            CannotWrite(fullPath_);
    }

    // The key's value, or `fallback` when the file does not name it.
    std::string Read(const char* section, const char* key, const std::string& fallback) const {
        char buffer[kValueBufferSize];
        const DWORD length = GetPrivateProfileStringA(section, key, fallback.c_str(), buffer,
                                                      kValueBufferSize, fullPath_.c_str());
        // A value that fills the buffer may have been cut short, and the cut text can
        // still look like a number: "$00…01F" cut after its zeros would read as 0.
        if (length >= kValueBufferSize - 1) return fallback;
        return std::string(buffer, length);
    }

private:
    std::string fullPath_;
};

bool FileExists(const std::string& fullPath) {
    return GetFileAttributesA(fullPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The profile functions read a file they may not open as an empty one; a file that is
// there but denied or locked must fail the load instead.
void RequireReadable(const std::string& fullPath) {
    if (!FileExists(fullPath)) return;
    HANDLE file = CreateFileA(fullPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) CannotRead(fullPath);
    CloseHandle(file);
}

// The beginning of the names of the files a save of this file writes beside it,
// "qln" and four hexadecimal digits told by its name, so that a later save of the same
// file can tell its own leftovers (of a crash between the write and the move) from those
// of other files and programs.
std::string TempNamePrefix(const std::string& target) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : ComparablePath(NamePart(target, IsSystemLeadByte), IsSystemLeadByte))
        hash = (hash ^ c) * 16777619u;
    return Concat({"qln", HexText((hash >> 16) ^ (hash & 0xFFFF), 4)});
}

constexpr size_t kTempNameLength = 3 + 4 + 4 + 4;  // prefix, hash, unique digits, ".tmp"

// Leftovers of earlier saves of the file: any a save in progress still holds open
// cannot be deleted and stays.
void RemoveLeftovers(const std::string& folder, const std::string& prefix) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(Concat({folder, prefix, "????.tmp"}).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name.size() == kTempNameLength && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA(Concat({folder, name}).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The target's bytes, through the open handle of the file that takes them.
bool CopyContent(const std::string& source, HANDLE destination) {
    HANDLE file = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[1024];
    DWORD length = 0;
    bool copied = true;
    while (copied && (copied = ReadFile(file, buffer, sizeof buffer, &length, nullptr)) && length > 0) {
        DWORD written = 0;
        copied = WriteFile(destination, buffer, length, &written, nullptr) && written == length;
    }
    CloseHandle(file);
    return copied;
}

// The new content of a settings file, written beside it and put in its place in one
// step, so that the file is always either wholly old or wholly new: a full disk, a
// failed write or a crash half-way leaves the old file as it was. The file beside it is
// held open until the move by a handle that reads and writes nothing: whoever writes
// the content may open it as they like, but another save of the same file cannot
// delete it as a leftover.
class ReplacementFile {
public:
    // Starts as a copy of the target, so sections and keys we do not know survive.
    explicit ReplacementFile(const std::string& target) : target_(target) {
        // Read-only is the owner's word that the file stays as it is.
        const DWORD attributes = GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            CannotWrite(target);
        const std::string folder = FolderPart(target, IsSystemLeadByte);
        const std::string prefix = TempNamePrefix(target);
        // Without the target, a leftover may be the only copy of its content (9x moves
        // in two steps): kept until a save finds the file there again.
        if (FileExists(target)) RemoveLeftovers(folder, prefix);
        HANDLE written = Create(folder, prefix);
        const bool copied = !FileExists(target) || CopyContent(target, written);
        held_ = CreateFileA(temp_.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(written);
        if (!copied) CannotRead(target);
        if (held_ == INVALID_HANDLE_VALUE) CannotWrite(target);
    }
    ~ReplacementFile() {
        if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
        if (!replaced_ && !temp_.empty()) DeleteFileA(temp_.c_str());
    }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const std::string& Path() const { return temp_; }

    // Through to the disk first, then in the target's place.
    void Replace() {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, temp_.c_str());  // no cached writes
        HANDLE file = CreateFileA(temp_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        const bool flushed = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        CloseHandle(held_);
        held_ = INVALID_HANDLE_VALUE;
        if (!flushed) CannotWrite(target_);
        if (!MoveIntoPlace(temp_, target_)) {
            // Where the old file went first (9x) and the new one did not follow, the
            // new content is all there is: it stays under its temporary name.
            if (!FileExists(target_)) replaced_ = FileExists(temp_);
            CannotWrite(target_);
        }
        replaced_ = true;
    }

private:
    // A name no file has yet, made and opened for writing in one step.
    HANDLE Create(const std::string& folder, const std::string& prefix) {
        uint32_t unique = GetTickCount() ^ (GetCurrentProcessId() << 4);
        for (int attempt = 0; attempt < 64; ++attempt, unique += 0x9E37) {
            const std::string path = Concat({folder, prefix, HexText(unique, 4), ".tmp"});
            HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                temp_ = path;
                return file;
            }
            if (GetLastError() != ERROR_FILE_EXISTS) break;
        }
        CannotWrite(target_);
    }

    std::string target_;
    std::string temp_;
    HANDLE held_ = INVALID_HANDLE_VALUE;
    bool replaced_ = false;
};

bool FitsField(const RegisterField& field, int32_t value) {
    return value >= 0 && static_cast<uint64_t>(value) < (uint64_t{1} << field.Width);
}

// Fields of a device that is not there are left out: a file saved here must not carry
// values this machine never had over to one where the device is present.
void WriteFields(const ProfileFile& file) {
    for (const RegisterField& field : FieldCatalogue) {
        if (field.Register->Present)
            file.Write(field.Register->Section, field.Key, DecimalText(GetFieldValue(field)));
        else
            file.Remove(field.Register->Section, field.Key);
    }
}

void WriteMachine(const ProfileFile& file) {
    for (const MachineKey& entry : ThisMachineProfile()) {
        if (entry.value.empty())
            file.Remove(kMachineSection, entry.key.c_str());
        else
            file.Write(kMachineSection, entry.key.c_str(), entry.value);
    }
}

}  // namespace

bool WriteSettingsFileWhole(const char* path, bool (*writeContent)(const char* contentPath, const void* context),
                            const void* context) {
    try {
        ReplacementFile replacement(FullSettingsPath(path));
        if (!writeContent(replacement.Path().c_str(), context)) return false;
        replacement.Replace();
        return true;
    } catch (const std::exception&) {
        return false;  // the old file stays as it was
    }
}

bool SaveSettingsNoting(const char* path, const SettingsNote* notes, size_t noteCount) {
    struct Notes {
        const SettingsNote* first;
        size_t count;
    } const all{notes, noteCount};
    return WriteSettingsFileWhole(
        path,
        [](const char* contentPath, const void* context) {
            try {
                const ProfileFile file(contentPath);
                WriteFields(file);
                WriteMachine(file);
                const auto* written = static_cast<const Notes*>(context);
                for (size_t i = 0; i < written->count; ++i)
                    file.Write(written->first[i].section, written->first[i].key, written->first[i].value);
                return true;
            } catch (const std::exception&) {
                return false;
            }
        },
        &all);
}

bool SaveSettings(const char* path) { return SaveSettingsNoting(path, nullptr, 0); }

std::string SettingsFileText(const char* path, const char* section, const char* key) {
    try {
        return ProfileFile(FullSettingsPath(path)).Read(section, key, "");
    } catch (const std::exception&) {
        return std::string();
    }
}

std::string TuningTextOfFile(const char* path) {
    try {
        const std::string fullPath = FullSettingsPath(path);
        if (!FileExists(fullPath)) return std::string();
        const ProfileFile file(fullPath);
        std::string text;
        for (const RegisterField& field : FieldCatalogue)
            text += Concat({field.Register->Section, ".", field.Key, "=",
                            file.Read(field.Register->Section, field.Key, ""), "\n"});
        return text;
    } catch (const std::exception&) {
        return std::string();
    }
}

bool LoadSettings(const char* path) {
    try {
        const std::string fullPath = FullSettingsPath(path);
        RequireReadable(fullPath);
        const ProfileFile file(fullPath);
        for (const RegisterField& field : FieldCatalogue) {
            if (!field.Register->Present) continue;
            // Reading with the current value as default leaves unnamed fields as they are.
            const std::string text =
                file.Read(field.Register->Section, field.Key, DecimalText(GetFieldValue(field)));
            int32_t value = 0;
            if (ReadSettingsNumber(text, &value) && FitsField(field, value))
                SetFieldValue(field, static_cast<uint32_t>(value));
        }
        return true;
    } catch (const std::exception&) {
        return false;  // fields set so far keep their new values
    }
}

std::string MachineDifferencesOfFile(const char* path) {
    try {
        const ProfileFile file(FullSettingsPath(path));
        MachineProfile saved;
        for (const MachineKey& entry : ThisMachineProfile()) {
            const std::string value = file.Read(kMachineSection, entry.key.c_str(), kNotNamed);
            // Named but empty is malformed, which is never this machine.
            if (value != kNotNamed) saved.push_back({entry.key, value.empty() ? "(empty)" : value});
        }
        return MachineDifferences(saved, ThisMachineProfile());
    } catch (const std::exception&) {
        return std::string();  // an unusable path: the load itself reports it
    }
}
