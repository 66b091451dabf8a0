// Binding behaviour where io.dll cannot be used. The executable is built twice: once
// into a folder without io.dll, once beside an io.dll that lacks PortDWordIn.
#include <gtest/gtest.h>
#include <windows.h>

#include "hw/io_library.h"
#include "hw/pci_registers.h"

namespace {

TEST(IoLibrary, FreeWithoutLoadDoesNothing) {
    FreeIoLibrary();
    FreeIoLibrary();
    EXPECT_FALSE(IoLibraryLoaded());
}

TEST(IoLibrary_nolib, MissingLibraryLeavesTheLoadersErrorAndReadsZero) {
    SetLastError(0);
    EXPECT_FALSE(LoadIoLibrary());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(IoLibraryLoaded());

    SetPortOperations(kIoLibraryPorts);
    RegisterTable[1].Value = 0x12345678;
    ReadAllRegisters();
    EXPECT_EQ(RegisterTable[1].Value, 0u);
    RegisterTable[1].Value = 0x12345678;
    WriteAllRegisters();
    EXPECT_EQ(RegisterTable[1].Value, 0u);
}

TEST(IoLibrary_badlib, LibraryWithoutReadIsRefusedAndReleased) {
    SetLastError(0);
    EXPECT_FALSE(LoadIoLibrary());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_FALSE(IoLibraryLoaded());
    EXPECT_EQ(GetModuleHandleA("io.dll"), nullptr);
    // A second attempt fails the same way rather than finding half a binding.
    EXPECT_FALSE(LoadIoLibrary());
    EXPECT_FALSE(IoLibraryLoaded());
    FreeIoLibrary();
}

}  // namespace
