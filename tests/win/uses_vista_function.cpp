// A program that asks for more than Windows XP in each way the XP import check looks at:
// a KERNEL32 function bound at load time, a USER32 one delay-loaded (linked as the product
// is) and a header naming Windows 6.0. The check must refuse all three.
#include <windows.h>

int main() { return static_cast<int>(GetTickCount64() & 1) + (SetProcessDPIAware() ? 0 : 2); }
