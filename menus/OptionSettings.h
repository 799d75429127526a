// The options dialog's settings block and how it travels: from and to the
// configuration files ("cfg.ini", the factory values in "default.ini", both
// in "DATA\CONFIG\" below the engine's base directory) and into the running
// game.
//
// File keys ([CONFIG] unless noted; letter case does not matter):
//   ScreenWidth, ScreenHeight        pixels
//   TextureQuality, ModelQuality     4 low, 2 medium, 0 high; on load the
//                                    index is (4 - value) / 2, 0 outside 0-2
//   VisibleRadius                    128, 192, 256, 384 or 512; another
//                                    value leaves the index as it was
//   Filtering                        0 bilinear, 1 trilinear, 2 anisotropic
//   Anisotropy                       the filter's level. The engine's
//                                    start-up reader once took "Anosotropy":
//                                    both read "Anisotropy" first and the
//                                    old spelling when it is absent; only
//                                    "Anisotropy" is written
//   Fullreflection, HardwareSounds   flags
//   MusicVolume, SoundVolume,        whole percents; an entry below 0 reads
//   PlayerFade                       as 0 and one above 100 as 100
//   MaxSoundSources, Difficulty      (Difficulty 0 outside 0-2)
//   [INPUT] ForceFeedBack, Joystick, SensitivityJoystick, MouseAutoRotate,
//           AutoFire, CenterFire     flags are on only for 1
// The key bindings and mouse options travel through the input
// configuration (COptionControlList).
//
// Applying goes through IOptionsTarget, the running game as the dialog sees
// it; CGameOptionsTarget is the program's, over the engine's globals.
//
// Threads: main thread only.
#pragma once

#include "app/InputConfig.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace options
{
constexpr int kKeyRows = 27;
constexpr int kVisibleRadii[5] = {128, 192, 256, 384, 512};

// The dialog's pages, in the order of their tabs on screen.
enum EPage : int
{
    kPageGraphics = 0,
    kPageSound,
    kPageControls,
    kPageKeys,
    kPageGame,
    kPageCount
};

struct SKeyPair
{
    std::uint16_t primary = 0;
    std::uint16_t secondary = 0;
    bool operator==(const SKeyPair&) const = default;
};

struct SOptionSettings
{
    int TextureQualityIndex = 0;
    int ScreenWidth = 0;
    int ScreenHeight = 0;
    // The default radius (256) until a file names one of the table's.
    int VisibleRadiusIndex = 2;
    int ModelQualityIndex = 0;
    int FilteringIndex = 0;
    int Anisotropy = 0;
    bool FullReflection = true;
    float SoundVolume = 0.0f;
    float MusicVolume = 0.0f;
    float PlayerFade = 0.0f;
    bool HardwareSounds = false;
    int MaxSoundSources = 1;
    std::array<SKeyPair, kKeyRows> Keys{};
    SInputOptions Input{};
    bool ForceFeedback = false;
    int JoystickSensitivity = 0;
    bool JoystickEnabled = false;
    int Difficulty = 0;
    bool AutoFire = false;
    bool CenterFire = false;
};

// The file quality for an index and back (see the table above).
int QualityIndexFromFile(int value);
int QualityToFile(int index);
// The index of a radius in the visibility table, -1 when it has none.
int VisibleRadiusIndexOf(int radius);
// A fraction 0..1 as the nearest whole percent.
int WholePercent(float fraction);
// "DATA\CONFIG\" + name below the engine's base directory.
std::string ConfigPath(const char* fileName);

// Reads the keys of the table into the block: every key (page -1) or the
// group of one page (the keys page reads none here: its bindings come
// through the input configuration). With a page, Fullreflection and
// HardwareSounds are on only for 1.
void ReadConfigKeys(const char* path, SOptionSettings& s, int page = -1);
// Writes every key of the table, in its order.
void WriteConfigKeys(const char* path, const SOptionSettings& s);

// The running game as the options see it.
class IOptionsTarget
{
public:
    struct SGraphics
    {
        int textureQuality = 0; // file value
        int modelQuality = 0;   // the engine's level-of-detail factor
        int filtering = 0;
        int anisotropy = 0;
        int width = 0;
        int height = 0;
        bool fullReflection = false;
    };

    virtual ~IOptionsTarget() = default;
    virtual SGraphics GetGraphics() = 0;
    // The loaded models or textures go, to come back at the new quality.
    virtual void PurgeModels() = 0;
    virtual void PurgeTextures() = 0;
    virtual void StoreQualities(int textureQuality, int modelQuality) = 0;
    // A new back-buffer size (a windowed game's window follows). False when
    // the device could not take it: the previous size is back then, and
    // why says what went wrong.
    virtual bool ResetDisplay(int width, int height, std::string* why) = 0;
    virtual void SetFilters(int filtering, int anisotropy, bool fullReflection) = 0;
    // The rest, which never resets or purges anything: visible radius,
    // difficulty, input options, volumes and sound sources, joystick, force
    // feedback and the live key table.
    virtual void ApplyGame(const SOptionSettings& s) = 0;
    // The device's largest anisotropy; whether the input device has force
    // feedback; the display modes of adapter 0 (width, height, format code).
    virtual int GetMaxAnisotropy() = 0;
    virtual bool HasForceFeedback() = 0;
    struct SMode
    {
        int width = 0;
        int height = 0;
        int format = 0;
    };
    virtual std::vector<SMode> GetDisplayModes() = 0;
};

// The program's target: the engine settings, the graphics device, the
// resource managers, the sound and music managers and the input.
class CGameOptionsTarget : public IOptionsTarget
{
public:
    SGraphics GetGraphics() override;
    void PurgeModels() override;
    void PurgeTextures() override;
    void StoreQualities(int textureQuality, int modelQuality) override;
    bool ResetDisplay(int width, int height, std::string* why) override;
    void SetFilters(int filtering, int anisotropy, bool fullReflection) override;
    void ApplyGame(const SOptionSettings& s) override;
    int GetMaxAnisotropy() override;
    bool HasForceFeedback() override;
    std::vector<SMode> GetDisplayModes() override;
};

// The target the dialogs made from now on use (null: the program's).
void SetOptionsTarget(IOptionsTarget* target);
IOptionsTarget* GetOptionsTarget();
} // namespace options
