// The menus library's class registration: every screen, dialog and widget
// the application creates by class id is registered here: the in-game menu
// hosts "IGUID_CBuildingUI", "IGUID_CTunnelUI", "IGUID_CGliderUI" and the
// message-box screen "IGUID_CBoxUI". The consoles the hosts show register
// themselves from the consoles library (CUIMenu::kConsoleClassIds).
#pragma once

#include <cstdint>

extern std::uint32_t g_iCBuildingUI;
extern std::uint32_t g_iCTunnelUI;
extern std::uint32_t g_iCGliderUI;
extern std::uint32_t g_iCBoxUI;

void RegisterMenusClasses();
