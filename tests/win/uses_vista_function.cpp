// A program that imports a function Windows XP lacks: the XP import check must refuse it.
#include <windows.h>

int main() { return static_cast<int>(GetTickCount64() & 1); }
