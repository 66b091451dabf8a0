#include "model/settings.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "hw/pci_registers.h"
#include "model/field_catalogue.h"
#include "model/number_text.h"
#include "hw/program_error.h"

namespace {

constexpr DWORD kValueBufferSize = 2048;

// One settings file, always addressed by its full path: handed a bare name, the
// profile functions would use the Windows folder instead of the current one.
class ProfileFile {
public:
    // Fails, before any file is touched, for a path that is empty or does not expand
    // to less than MAX_PATH characters.
    explicit ProfileFile(const char* path) {
        if (path == nullptr || *path == '\0') throw ProgramError("No settings file named");
        const DWORD length = GetFullPathNameA(path, MAX_PATH, fullPath_, nullptr);
        if (length == 0 || length >= MAX_PATH)
            throw ProgramError(std::string("Unusable settings path ") + path);
    }

    void Write(const char* section, const char* key, const std::string& text) const {
        if (!WritePrivateProfileStringA(section, key, text.c_str(), fullPath_))
            throw ProgramError(std::string("Unable to write to ") + fullPath_);
    }

    // The key's value, or `fallback` when the file does not name it.
    std::string Read(const char* section, const char* key, const std::string& fallback) const {
        char buffer[kValueBufferSize];
        const DWORD length = GetPrivateProfileStringA(section, key, fallback.c_str(), buffer,
                                                      kValueBufferSize, fullPath_);
        // A value that fills the buffer may have been cut short, and the cut text can
        // still look like a number: "$00…01F" cut after its zeros would read as 0.
        if (length >= kValueBufferSize - 1) return fallback;
        return std::string(buffer, length);
    }

private:
    char fullPath_[MAX_PATH];
};

bool FitsField(const RegisterField& field, int32_t value) {
    return value >= 0 && static_cast<uint64_t>(value) < (uint64_t{1} << field.Width);
}

}  // namespace

bool SaveSettings(const char* path) {
    try {
        for (const RegisterField& field : FieldCatalogue) {
            // A missing device's bits were never read: saving them would overwrite
            // that field on the machine the file is applied to.
            if (!field.Register->Present) continue;
            const ProfileFile file(path);
            file.Write(field.Register->Section, field.Key, std::to_string(GetFieldValue(field)));
        }
        return true;
    } catch (const std::exception&) {
        return false;  // the keys written so far stay; the caller reports the failure
    }
}

bool LoadSettings(const char* path) {
    try {
        for (const RegisterField& field : FieldCatalogue) {
            const ProfileFile file(path);
            // Reading with the current value as default leaves unnamed fields as they are.
            const std::string text =
                file.Read(field.Register->Section, field.Key, std::to_string(GetFieldValue(field)));
            int32_t value = 0;
            if (ReadSettingsNumber(text, &value) && FitsField(field, value))
                SetFieldValue(field, static_cast<uint32_t>(value));
        }
        return true;
    } catch (const std::exception&) {
        return false;  // fields set so far keep their new values
    }
}
