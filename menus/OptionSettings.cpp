#include "menus/OptionSettings.h"

#include "app/DisplayReset.h"
#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "foundation/Settings.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"
#include "menus/OptionKeyRows.h"
#include "platform/Ini.h"
#include "sound/SoundStartup.h"
#include "world/MMEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace options
{
namespace
{
constexpr const char* kConfig = "CONFIG";
constexpr const char* kInput = "INPUT";
// Stands for a key that the file lacks.
constexpr const char* kAbsent = "\x01";

IOptionsTarget* g_pTarget = nullptr;

bool Has(const char* section, const char* key, const char* path)
{
    char text[8] = {};
    plat::GetPrivateProfileString(section, key, kAbsent, text, sizeof text, path);
    return std::string(text) != kAbsent;
}

// Profile numbers are read signed: a negative entry stays negative.
int Int(const char* section, const char* key, int fallback, const char* path)
{
    return int(std::int32_t(plat::GetPrivateProfileInt(section, key, fallback, path)));
}

float Percent(const char* key, const char* path)
{
    return float(std::clamp(Int(kConfig, key, 0, path), 0, 100)) * 0.01f;
}

void Write(const char* section, const char* key, int value, const char* path)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    plat::WritePrivateProfileString(section, key, text, path);
}

void ReadGraphics(const char* path, SOptionSettings& s, bool strictFlags)
{
    s.ScreenWidth = Int(kConfig, "ScreenWidth", 0, path);
    s.ScreenHeight = Int(kConfig, "ScreenHeight", 0, path);
    s.TextureQualityIndex = QualityIndexFromFile(Int(kConfig, "TextureQuality", 0, path));
    s.ModelQualityIndex = QualityIndexFromFile(Int(kConfig, "ModelQuality", 0, path));
    const int radius = VisibleRadiusIndexOf(Int(kConfig, "VisibleRadius", 0, path));
    if (radius >= 0) s.VisibleRadiusIndex = radius;
    s.FilteringIndex = Int(kConfig, "Filtering", 0, path);
    s.Anisotropy = Int(kConfig, Has(kConfig, "Anisotropy", path) ? "Anisotropy" : "Anosotropy", 0, path);
    const int reflection = Int(kConfig, "Fullreflection", 1, path);
    s.FullReflection = strictFlags ? reflection == 1 : reflection != 0;
}

void ReadSound(const char* path, SOptionSettings& s, bool strictFlags)
{
    s.MusicVolume = Percent("MusicVolume", path);
    s.SoundVolume = Percent("SoundVolume", path);
    s.PlayerFade = Percent("PlayerFade", path);
    s.MaxSoundSources = Int(kConfig, "MaxSoundSources", 1, path);
    const int hardware = Int(kConfig, "HardwareSounds", 0, path);
    s.HardwareSounds = strictFlags ? hardware == 1 : hardware != 0;
}

void ReadControls(const char* path, SOptionSettings& s)
{
    s.ForceFeedback = Int(kInput, "ForceFeedBack", 0, path) == 1;
    s.JoystickEnabled = Int(kInput, "Joystick", 0, path) == 1;
    s.JoystickSensitivity = Int(kInput, "SensitivityJoystick", 0, path);
}

void ReadGame(const char* path, SOptionSettings& s, bool withDifficulty)
{
    s.Input.MouseAutoRotate = Int(kInput, "MouseAutoRotate", 0, path) == 1;
    s.AutoFire = Int(kInput, "AutoFire", 0, path) == 1;
    s.CenterFire = Int(kInput, "CenterFire", 0, path) == 1;
    if (!withDifficulty) return;
    const int difficulty = Int(kConfig, "Difficulty", 0, path);
    s.Difficulty = difficulty >= 0 && difficulty <= 2 ? difficulty : 0;
}
} // namespace

int QualityIndexFromFile(int value)
{
    const int index = (4 - value) / 2;
    return index >= 0 && index <= 2 ? index : 0;
}

int QualityToFile(int index)
{
    return (2 - index) * 2;
}

int VisibleRadiusIndexOf(int radius)
{
    for (int i = 0; i < int(std::size(kVisibleRadii)); ++i)
        if (kVisibleRadii[i] == radius) return i;
    return -1;
}

int WholePercent(float fraction)
{
    return int(std::lround(fraction * 100.0f));
}

std::string ConfigPath(const char* fileName)
{
    return GetEngineBaseDirectory() + "DATA\\CONFIG\\" + fileName;
}

void ReadConfigKeys(const char* path, SOptionSettings& s, int page)
{
    switch (page)
    {
    case kPageGraphics:
        ReadGraphics(path, s, true);
        return;
    case kPageSound:
        ReadSound(path, s, true);
        return;
    case kPageControls:
        ReadControls(path, s);
        return;
    case kPageKeys:
        return;
    case kPageGame:
        ReadGame(path, s, true);
        return;
    default:
        ReadGraphics(path, s, false);
        ReadSound(path, s, false);
        const int difficulty = Int(kConfig, "Difficulty", 0, path);
        s.Difficulty = difficulty >= 0 && difficulty <= 2 ? difficulty : 0;
        ReadControls(path, s);
        ReadGame(path, s, false);
        return;
    }
}

void WriteConfigKeys(const char* path, const SOptionSettings& s)
{
    Write(kConfig, "ScreenWidth", s.ScreenWidth, path);
    Write(kConfig, "ScreenHeight", s.ScreenHeight, path);
    Write(kConfig, "TextureQuality", QualityToFile(s.TextureQualityIndex), path);
    Write(kConfig, "ModelQuality", QualityToFile(s.ModelQualityIndex), path);
    Write(kConfig, "VisibleRadius", kVisibleRadii[std::clamp(s.VisibleRadiusIndex, 0, 4)], path);
    Write(kConfig, "Filtering", s.FilteringIndex, path);
    Write(kConfig, "Anisotropy", s.Anisotropy, path);
    Write(kConfig, "Fullreflection", s.FullReflection ? 1 : 0, path);
    Write(kConfig, "MusicVolume", WholePercent(s.MusicVolume), path);
    Write(kConfig, "SoundVolume", WholePercent(s.SoundVolume), path);
    Write(kConfig, "PlayerFade", WholePercent(s.PlayerFade), path);
    Write(kConfig, "MaxSoundSources", s.MaxSoundSources, path);
    Write(kConfig, "HardwareSounds", s.HardwareSounds ? 1 : 0, path);
    Write(kConfig, "Difficulty", s.Difficulty, path);
    Write(kInput, "ForceFeedBack", s.ForceFeedback ? 1 : 0, path);
    Write(kInput, "Joystick", s.JoystickEnabled ? 1 : 0, path);
    Write(kInput, "SensitivityJoystick", s.JoystickSensitivity, path);
    Write(kInput, "MouseAutoRotate", s.Input.MouseAutoRotate ? 1 : 0, path);
    Write(kInput, "AutoFire", s.AutoFire ? 1 : 0, path);
    Write(kInput, "CenterFire", s.CenterFire ? 1 : 0, path);
}

// ---- the program's target

IOptionsTarget::SGraphics CGameOptionsTarget::GetGraphics()
{
    SGraphics g;
    g.textureQuality = g_Settings.TextureQuality;
    g.modelQuality = g_Settings.ModelQuality;
    // The device's filter as it is now, not as the game started: a filter
    // applied once is not applied again at every later apply.
    g.filtering = graph.m_nFilterMode;
    g.anisotropy = g_Settings.Anosotropy;
    g.width = g_Settings.ScreenWidth;
    g.height = g_Settings.ScreenHeight;
    g.fullReflection = g_Settings.FullReflection != 0;
    return g;
}

void CGameOptionsTarget::PurgeModels()
{
    if (g_pModelManager) g_pModelManager->Purge();
}

void CGameOptionsTarget::PurgeTextures()
{
    if (g_pTextureManager) g_pTextureManager->Purge();
}

void CGameOptionsTarget::StoreQualities(int textureQuality, int modelQuality)
{
    g_Settings.TextureQuality = textureQuality;
    g_Settings.ModelQuality = modelQuality;
}

bool CGameOptionsTarget::ResetDisplay(int width, int height, std::string* why)
{
    return ResetDisplaySize(width, height, why);
}

void CGameOptionsTarget::SetFilters(int filtering, int anisotropy, bool fullReflection)
{
    graph.m_nFilterMode = filtering;
    g_Settings.Anosotropy = anisotropy;
    g_Settings.FullReflection = fullReflection ? 1 : 0;
    if (plat::d3d::Device* device = graph.m_lpDevice)
        for (std::uint32_t stage = 0; stage < 4; ++stage)
        {
            graph.SetTextureFilter(int(stage));
            device->SetTextureStageState(stage, plat::d3d::D3DTSS_MAXANISOTROPY, std::uint32_t(std::max(0, anisotropy)));
        }
    plat::d3d::SViewport viewport{0, 0, std::uint32_t(std::max(0, graph.m_nScreenWidth)),
                                  std::uint32_t(std::max(0, graph.m_nScreenHeight)), 0.0f, 1.0f};
    if (graph.m_lpDevice) graph.m_lpDevice->SetViewport(&viewport);
}

void CGameOptionsTarget::ApplyGame(const SOptionSettings& s)
{
    g_Settings.VisibleRadius = kVisibleRadii[std::clamp(s.VisibleRadiusIndex, 0, 4)];
    g_MMEngine.m_nDifficulty = s.Difficulty;
    SInputOptions input = s.Input;
    input.AutoFire = s.AutoFire ? 1 : 0;
    input.CenterFire = s.CenterFire ? 1 : 0;
    input.Joystick = s.JoystickEnabled ? 1 : 0;
    input.SensitivityJoystick = s.JoystickSensitivity;
    g_InputConfig.m_Options = input;
    g_Settings.MusicVolume = s.MusicVolume;
    g_Settings.MaxSoundSources = s.MaxSoundSources;
    g_Settings.SoundVolume = s.SoundVolume;
    g_Settings.PlayerFade = s.PlayerFade;
    g_Settings.HardwareSounds = s.HardwareSounds ? 1 : 0;
    ApplySoundSettings();
    if (IInput* device = g_InputConfig.GetInput())
    {
        device->SetJoystickEnabled(s.JoystickEnabled);
        if (device->HasForceFeedback()) g_Settings.ForceFeedback = s.ForceFeedback ? 1 : 0;
    }
    RowsToSlots(s.Keys, g_InputConfig.m_Keys);
}

int CGameOptionsTarget::GetMaxAnisotropy()
{
    return int(graph.m_Caps.MaxAnisotropy);
}

bool CGameOptionsTarget::HasForceFeedback()
{
    IInput* device = g_InputConfig.GetInput();
    return device && device->HasForceFeedback();
}

std::vector<IOptionsTarget::SMode> CGameOptionsTarget::GetDisplayModes()
{
    std::vector<SMode> modes;
    for (const plat::d3d::SDisplayMode& m : graph.GetDisplayModes(0))
        modes.push_back(SMode{int(m.Width), int(m.Height), int(m.Format)});
    return modes;
}

void SetOptionsTarget(IOptionsTarget* target)
{
    g_pTarget = target;
}

IOptionsTarget* GetOptionsTarget()
{
    static CGameOptionsTarget game;
    return g_pTarget ? g_pTarget : &game;
}
} // namespace options
