// Forced into the program's files on the desktop: CE's entry is WinMain with a
// wide command line, which on the desktop is wWinMain. The program's file
// stays CE's.
#pragma once

#include <windows.h>

#define WinMain wWinMain
