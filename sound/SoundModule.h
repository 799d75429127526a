// The sound module's registration with the class factory.
#pragma once

#include <cstdint>

// Class index of "IGUID_IMusic" (the streamed Ogg music piece); -1 (all
// bits set) until registered.
extern std::uint32_t g_IMusicClass;

// Registers "IGUID_IMusic" with a creator of CSoundMusicOGG. Runs last in
// the program's module registration.
void RegisterSoundClasses();
