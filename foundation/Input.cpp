#include "foundation/Input.h"

IInput* g_pInput = nullptr;
