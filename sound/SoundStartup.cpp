#include "sound/SoundStartup.h"

#include "foundation/ErrorLog.h"
#include "foundation/Settings.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"

namespace
{

// "Звуки" and "Музыка" in code page 1251.
constexpr const char* kSoundSection = "\xC7\xE2\xF3\xEA\xE8";
constexpr const char* kMusicSection = "\xCC\xF3\xE7\xFB\xEA\xE0";
constexpr std::uint32_t kSoundBudget = 100000000;

} // namespace

void InitMusicManager()
{
    XTRACE("InitMusicManager");
    g_pMusicManager = new CMusicMng;
    g_pMusicManager->Init(kMusicSection);
    g_pMusicManager->SetVolume(g_Settings.MusicVolume);
    g_pMusicManager->EnableMusic(g_Settings.MusicEnable != 0);
}

void InitSoundManager(void* window)
{
    XTRACE("InitSoundManager");
    g_pSoundManager = new CSoundManager2;
    SSoundInitParams params;
    params.window = window;
    params.samplesPerSec = 44100;
    params.channels = 2;
    params.bitsPerSample = 16;
    if (!g_pSoundManager->InitSnd(&params))
        g_ErrorLog.LogError("The sound device did not start; the game runs without sound");
    g_pSoundManager->InitMngr(kSoundSection);
    g_pSoundManager->SetMemoryLimit(kSoundBudget);
    ApplySoundSettings();
    if (g_pMusicManager) g_pMusicManager->SetSoundDevice(g_pSoundManager->GetDevice());
}

void ApplySoundSettings()
{
    if (g_pMusicManager) g_pMusicManager->SetVolume(g_Settings.MusicVolume);
    if (!g_pSoundManager) return;
    g_pSoundManager->SetVolumeMng(g_Settings.SoundVolume);
    g_pSoundManager->SetLimitSoundSource(g_Settings.MaxSoundSources);
    if (g_pSoundManager->IsHardwareSounds() != (g_Settings.HardwareSounds != 0))
    {
        // Containers are made again with the new buffer placement.
        g_pSoundManager->DoneSources();
        g_pSoundManager->SetHardwareSounds(g_Settings.HardwareSounds != 0);
    }
}

void DoneSound()
{
    delete g_pMusicManager;
    g_pMusicManager = nullptr;
    delete g_pSoundManager;
    g_pSoundManager = nullptr;
}
