// A program named like the product's executable that only waits: while it runs, the setup program must
// refuse to install. The test ends it; it ends by itself after a minute so that it never outlives a run.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ::Sleep(60000);
  return 0;
}
