// The game's sound at start-up and shutdown, in the order the start-up
// runs it: the music manager on the first loader thread, then, on the main
// thread, the sound manager, whose device the music manager then gets.
//
// Threads: InitMusicManager may run on the loader thread while the main
// thread only redraws; the others run on the main thread.
#pragma once

// g_pMusicManager made and initialised from "Музыка" with the music
// settings ("MusicVolume", "MusicEnable").
void InitMusicManager();
// g_pSoundManager made with its device (the window, 44100 Hz, 2 channels,
// 16 bits), the table "Звуки", a budget of 100,000,000 bytes and the sound
// settings; then the music manager gets the device. A device that does not
// start leaves the game silent (logged), not stopped.
void InitSoundManager(void* window);
// The music volume, the sound volume, the source limit and the hardware
// mixing from the settings, on whichever managers exist; a change of the
// mixing drops every sound source first.
void ApplySoundSettings();
// The music manager first (its streams play on the sound manager's
// device), then the sound manager; both pointers become null.
void DoneSound();
