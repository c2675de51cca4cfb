#include "platform/ovraInstance.h"

HINSTANCE g_hInstance = nullptr;
