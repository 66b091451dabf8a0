#include "app/boot_record.h"

#include <windows.h>

#include "hw/concat.h"
#include "hw/hex_text.h"
#include "hw/windows_family.h"

namespace {

const char kParentKey[] = "Software\\Quillon";
const char kBootKey[] = "Software\\Quillon\\Boot";
// Written last: a record without it was cut short and stands for no read.
const char kFirmwareValue[] = "Firmware";
const char kAtomPrefix[] = "Quillon first read ";

std::string ValueName(size_t index) { return Concat({"Register ", DecimalText(static_cast<uint32_t>(index))}); }

bool ReadDword(HKEY key, const std::string& name, DWORD* value) {
    DWORD type = 0, size = sizeof *value;
    return RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof *value;
}

bool WriteDword(HKEY key, const std::string& name, DWORD value) {
    return RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

bool ReadKeyRecord(HKEY key, BootFirstRead* first) {
    for (size_t i = 0; i < kRegisterCount; ++i) {
        DWORD value = 0;
        if (!ReadDword(key, ValueName(i), &value)) return false;
        first->values[i] = value;
    }
    DWORD firmware = 0;
    if (!ReadDword(key, kFirmwareValue, &firmware)) return false;
    first->firmware = firmware != 0;
    return true;
}

bool WriteKeyRecord(HKEY key, const BootFirstRead& read) {
    for (size_t i = 0; i < kRegisterCount; ++i)
        if (!WriteDword(key, ValueName(i), read.values[i])) return false;
    return WriteDword(key, kFirmwareValue, read.firmware ? 1 : 0);
}

// Any user may read the record; the first run of an administrator or of SYSTEM makes
// it, and whoever opens the new key first writes it.
BootRecordState RecordInRegistry(const BootFirstRead& read, BootFirstRead* first) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBootKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        const bool complete = ReadKeyRecord(key, first);
        RegCloseKey(key);
        return complete ? BootRecordState::Earlier : BootRecordState::Unrecorded;
    }
    HKEY parent = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParentKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_CREATE_SUB_KEY,
                        nullptr, &parent, nullptr) != ERROR_SUCCESS)
        return BootRecordState::Unrecorded;
    DWORD disposition = 0;
    const LONG made = RegCreateKeyExA(parent, "Boot", 0, nullptr, REG_OPTION_VOLATILE,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, &disposition);
    RegCloseKey(parent);
    if (made != ERROR_SUCCESS) return BootRecordState::Unrecorded;
    BootRecordState state = BootRecordState::Unrecorded;
    if (disposition == REG_CREATED_NEW_KEY && WriteKeyRecord(key, read)) {
        *first = read;
        state = BootRecordState::MadeNow;
    } else if (disposition == REG_OPENED_EXISTING_KEY && ReadKeyRecord(key, first)) {
        state = BootRecordState::Earlier;
    }
    RegCloseKey(key);
    return state;
}

std::string AtomText(const BootFirstRead& read) {
    std::string text = Concat({kAtomPrefix, read.firmware ? "F" : "Q"});
    for (uint32_t value : read.values) text += HexText(value, 8);
    return text;
}

bool FromAtomText(const std::string& text, BootFirstRead* first) {
    const size_t prefix = sizeof kAtomPrefix - 1;
    if (text.compare(0, prefix, kAtomPrefix) != 0 || text.size() != prefix + 1 + 8 * kRegisterCount) return false;
    first->firmware = text[prefix] == 'F';
    for (size_t i = 0; i < kRegisterCount; ++i)
        if (!ReadHexDword(text, prefix + 1 + 8 * i, &first->values[i])) return false;
    return true;
}

// The string atoms are numbered from 0xC000 up; the record is the one that carries our
// prefix.
bool FindAtomRecord(BootFirstRead* first) {
    for (unsigned atom = 0xC000; atom <= 0xFFFF; ++atom) {
        char name[256];
        const UINT length = GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name);
        if (length > 0 && FromAtomText(std::string(name, length), first)) return true;
    }
    return false;
}

BootRecordState RecordInAtom(const BootFirstRead& read, BootFirstRead* first) {
    if (FindAtomRecord(first)) return BootRecordState::Earlier;
    if (GlobalAddAtomA(AtomText(read).c_str()) == 0) return BootRecordState::Unrecorded;
    *first = read;
    return BootRecordState::MadeNow;
}

}  // namespace

BootRecordState RecordFirstRead(const BootFirstRead& read, BootFirstRead* first) {
    return OnWindows9x() ? RecordInAtom(read, first) : RecordInRegistry(read, first);
}
