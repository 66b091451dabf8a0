// What Windows 98 and ME do differently from Windows 2000 and later, decided once from
// the platform the program runs on. Every branch on the Windows family is here; the
// rest of the program calls these and never asks which Windows it is.
#pragma once
#include <windows.h>

#include <string>

// Windows 95, 98 and ME, rather than the NT family (2000, XP and later).
bool OnWindows9x();

// A kernel object's name as every session sees it: in the global namespace on the NT
// family; 9x has no sessions and refuses a backslash in a name.
std::string MachineWideObjectName(const char* name);

// Puts `written` (complete and flushed) in the place of `target`, keeping an existing
// target's attributes. The NT family replaces in one step (ReplaceFileA, which keeps
// the access list too, where the target exists); 9x has no such step, so the old file
// is deleted and the new one renamed: a crash between the two leaves the new content
// under the temporary name. False when the target does not hold the new content;
// `written` is then still there unless it was moved.
bool MoveIntoPlace(const std::string& written, const std::string& target);

// The folder Quillon keeps what belongs to the machine rather than to one user in:
// `Quillon` in the machine-wide application data folder, which SHELL32 or SHFOLDER.DLL
// name (whichever this Windows has), or, where neither names one, the folder holding
// quillon.exe. It may not exist yet; no trailing separator.
std::string MachineQuillonFolder();

// The machine-wide application data folder as a SHGetFolderPathA (of SHELL32 or
// SHFOLDER.DLL) names it, made when it is named but not there yet (S_FALSE); empty
// when it names none or there is no such function.
using GetFolderPathProc = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
std::string CommonAppDataFolderFrom(GetFolderPathProc getFolderPath);

// The folder of a program's full path, split by character in the system's code page;
// no trailing separator.
std::string FolderOfProgram(const std::string& programPath);

// The size of OPENFILENAMEA the file dialog of this Windows accepts: 9x (and NT 4)
// refuse the larger structure of Windows 2000.
DWORD OpenFileNameSize();
