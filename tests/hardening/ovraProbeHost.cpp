// A program without any DLL search restriction that loads the shell by name,
// as the program would without its hardening: shows that a planted DLL is
// really picked up from a program's folder on this system.
#include <windows.h>

int main()
{
    return LoadLibraryA("shell32.dll") ? 0 : 1;
}
