#include <windows.h>

#include <string>

#include "hw/concat.h"
#include "hw/hex_text.h"
#include "hw/machine_access.h"
#include "hw/port_lock.h"
#include "hw/program_error.h"
#include "hw/windows_family.h"

namespace {

// Machine-wide, so that Quillons of other sessions (fast user switching, a logon apply
// beside an open window) wait for each other too.
const char kPortLockName[] = "QuillonPciConfigPorts";
// A whole read-all and write-all takes milliseconds; seconds mean something is stuck.
const DWORD kPortLockWaitMs = 5000;
const char kPortsBusyText[] =
    "The chipset registers stayed busy for 5 seconds: another Quillon is using them. "
    "Nothing was read or written.";
const char kWaitFailedText[] =
    "Windows could not wait for the lock that keeps two Quillons from mixing their register "
    "accesses (system error ";
const char kNoLockText[] =
    "The lock that keeps two Quillons from mixing their register accesses cannot be made. "
    "Nothing was read or written.";

HANDLE portLock = nullptr;

HANDLE CreatePortLock() {
    // Whoever creates the mutex first, every other user's Quillon must be able to wait
    // on it; none but administrators and SYSTEM may change its access list, which would
    // shut every other Quillon out.
    CreationAccess access(kMachineObjectAccess);
    const std::string name = MachineWideObjectName(kPortLockName);
    HANDLE lock = CreateMutexA(access.get(), FALSE, name.c_str());
    // Made by someone else with a stricter access list: waiting may still be allowed.
    if (lock == nullptr) lock = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    return lock;
}

}  // namespace

void LockConfigPorts() {
    if (portLock == nullptr) portLock = CreatePortLock();
    if (portLock == nullptr) throw ProgramError(kNoLockText);
    const DWORD result = WaitForSingleObject(portLock, kPortLockWaitMs);
    // Abandoned: a Quillon ended while holding the ports. Every sequence latches its
    // address before each data access, so whatever it left half done cannot mislead ours.
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return;
    if (result == WAIT_TIMEOUT) throw ProgramError(kPortsBusyText);
    // Not busy but broken (a handle no longer valid): no one is using the ports as far
    // as we know, so saying they are busy would send the user after another Quillon.
    // The next attempt makes the lock anew; this handle, where it is still one, goes.
    const DWORD error = GetLastError();
    CloseHandle(portLock);
    portLock = nullptr;
    throw ProgramError(Concat({kWaitFailedText, DecimalText(error), "). Nothing was read or written."}));
}

void UnlockConfigPorts() { ReleaseMutex(portLock); }
