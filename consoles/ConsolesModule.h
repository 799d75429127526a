// The consoles library's class registration: every console the menu hosts
// create by class id is registered here.
#pragma once

#include <cstdint>

extern std::uint32_t g_iCGCQuest;
extern std::uint32_t g_iCGCTrade;
extern std::uint32_t g_iCGCTunnel;

void RegisterConsolesClasses();
