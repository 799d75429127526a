// The engine settings: one process-wide record read directly by the whole
// program, each field named after its key in "DATA\CONFIG\cfg.ini".
//
// SetDefaultConfig gives every field its start value and then reads the
// file with LoadConfig, section [CONFIG] (ForceFeedback from [INPUT]); a key
// that is missing takes its fallback, which for most keys is the start
// value. Flags are 1 exactly when the file says 1 (another number is
// reported). Percentages (the volumes, PlayerFade) are stored as 0..1
// factors, FixFPS as seconds per frame (0: not fixed), SelectTargetTime in
// seconds (milliseconds in the file).
// Every key has a range. A value that is not a whole number or lies
// outside its key's range gets one error-log line naming the file, the line
// and the key, and the key takes the value it has when missing (a volume
// above 100 is full instead). A [CONFIG] key that is no setting (nor one of
// the keys the application and the options own) gets a line too. A file
// that is empty, or has a line that is not blank, a comment, a [section] or
// key=value (or key=value before any section), is damaged: that is reported
// once, the keys found are still read, and the game starts windowed. A
// missing file is no fault: every key takes its fallback silently.
//
// Threads: written on the main thread at start-up and after the options
// dialog; read everywhere afterwards.
#pragma once

#include <cstdint>
#include <string>

struct SEngineSettings
{
    std::int32_t TextureBPS = 32;
    std::int32_t TextureQuality = 1;
    // The model level-of-detail factor derived from the file's quality.
    std::int32_t ModelQuality = 0;
    std::int32_t VisibleRadius = 256;
    std::int32_t ScreenWidth = 1024;
    std::int32_t ScreenHeight = 768;
    std::int32_t ScreenBPS = 32;
    std::int32_t ScreenRefresh = 0;
    std::uint8_t Windowed = 0;
    std::uint8_t MapShadows = 1;
    std::uint8_t ShowFPS = 0;
    std::uint8_t MusicEnable = 1;
    float MusicVolume = 0.0f;
    float SoundVolume = 0.0f;
    std::int32_t MaxSoundSources = 8;
    std::int32_t MaxSoundSources2 = 12;
    std::uint8_t HardwareSounds = 0;
    float PlayerFade = 0.0f;
    std::int32_t Interval = 0;
    std::uint8_t FullReflection = 0;
    std::uint8_t TextureCompression = 1;
    float FixFPS = 0.0f;
    std::uint8_t UseSystemCursor = 0;
    std::uint8_t ForceScreenShots = 0;
    std::uint8_t GliderAnimation = 1;
    std::int32_t Filtering = 1;
    std::int32_t Anosotropy = 1;
    std::int32_t Antializing = 0;
    std::uint8_t Video = 1;
    std::uint8_t ForceLinearFog = 0;
    std::uint8_t ForceFeedback = 1;
    std::int32_t Codepage = 0;
    std::int32_t Gamma = 0;
    std::int32_t MTGamma = 1;
    std::int32_t JPGQuality = 70;
    std::uint8_t UseStaticMapBuffer = 1;
    float SelectTargetTime = 1.5f;
    // Engine flags that no key of the file covers.
    // The surface manager moves image tiles into a dynamic work texture by
    // a direct locked copy; 0 sends them through the staging texture.
    std::uint8_t DirectCopy = 1;
    // 1 once LoadConfig has run.
    std::uint8_t loaded = 0;
};

extern SEngineSettings g_Settings;

// Every setting to its start value, then LoadConfig; returns its result.
int SetDefaultConfig();
// Reads the file over the current values; returns the raw value read for
// "SelectTargetTime" (milliseconds).
int LoadConfig();
// The same from a named file (tests, tools).
int LoadConfigFrom(const char* path);

// The directory, with its trailing "\", that the configuration paths start
// with: the working directory as the resource database recorded it when it
// was opened; before that, the current working directory.
std::string GetEngineBaseDirectory();
