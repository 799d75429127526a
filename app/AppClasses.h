// The application's class registration and the ids it creates by.
//
// RegisterAppClasses registers, in this order, the libraries up to the
// application (base, input, files, graphics engine, scripts, UI, trade,
// sound) and then the application's own services: the text database, the
// game script manager with the game's script object (which keeps the
// script module's class index) and the quest log. The screens (menus/) and
// the consoles (consoles/) build on the application and register their own
// classes; the executable's entry (game/) registers every library.
//
// Threads: main thread, at start-up, before anything is created.
#pragma once

// The screens the application runs by class id.
inline constexpr const char* kMainScreenId = "IGUID_CMainUI";
inline constexpr const char* kPauseScreenId = "IGUID_CEscUI";
inline constexpr const char* kBoxScreenId = "IGUID_CBoxUI";
inline constexpr const char* kBuildingScreenId = "IGUID_CBuildingUI";
inline constexpr const char* kGliderScreenId = "IGUID_CGliderUI";
inline constexpr const char* kTunnelScreenId = "IGUID_CTunnelUI";
inline constexpr const char* kNetScreenId = "IGUID_CNetUI";

void RegisterAppClasses();

// The class index registered under id, -1 when there is none.
int FindClassIndex(const char* id);
