#pragma once

#include <windows.h>

// The module instance handle: stored first thing by WinMain (tests store
// their own) and used for every window creation and resource load.
extern HINSTANCE g_hInstance;
