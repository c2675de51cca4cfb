#include "app/ovraInstance.h"

HINSTANCE g_hInstance = nullptr;
