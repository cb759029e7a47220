// The setup program's entry point. The window and the installation are not built yet: the program
// starts and ends with exit code 0.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
