#include "foundation/Settings.h"

SEngineSettings g_Settings;
