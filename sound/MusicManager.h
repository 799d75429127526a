// IMusicManager / CMusicMng: the program's music manager (g_pMusicManager).
//
// It lists the music pieces of a database section ("Музыка" for the game;
// a piece's id is its record index), plays one piece at a time as a
// streamed music object (IMusic, created through the class factory as
// "IGUID_IMusic") with a linear fade-in, fades the current piece out, keeps
// a stack of up to 5 paused pieces or silences that resume where they
// stopped, holds timed silences, and fades a non-looping piece out a given
// margin before its end. Volumes handed to a piece are linear 0..1: volume
// x fadeInTime / fadeInLength during a fade-in, volume x fadeOutLeft /
// fadeOutLength for the piece fading out.
//
// Every operation except the setters of the device and of the on switch
// does nothing while the music is off (switched off, or volume 0).
//
// Threads: a fade thread runs Run() every 20 ms; each started non-looping
// piece with an end margin gets a short-lived waiting thread. Callers use
// the manager from the main thread (and at start-up from the first loader
// thread). One lock guards all state, taken by every operation, by Run and
// by the waiting threads; the pieces are called with it held. The
// destructor stops the current piece, releases and waits for the waiting
// threads and the fade thread, then destroys the pieces it created.
#pragma once

#include "foundation/DefaultManager.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "sound/SoundMusic.h"

#include <atomic>
#include <cstdint>
#include <vector>

class IMusicManager : public DefaultManager
{
public:
    using DefaultManager::DefaultManager;
    // A new CMusicMng (the game makes its manager directly).
    static IMusicManager* CreateClass();

    virtual void SetSoundDevice(plat::ds::Device* device) = 0;
    virtual bool PlayMusic(int id, float fadeIn, bool loop, float endMargin) = 0;
    virtual void StopMusic(float fadeOut) = 0;
    virtual void Pause(bool pause, float fade) = 0;
    virtual bool IsPlayed(int id) = 0;
    virtual int GetCurrentMusic() = 0;
    virtual void Run() = 0;
    virtual void SetVolume(float volume) = 0;
    virtual float GetVolume() = 0;
};

struct SMusicEntry
{
    char fileName[80] = {};
    std::int32_t type = 0;
    IMusic* object = nullptr; // made on first use, owned by the manager
};

struct SMusicPauseRecord
{
    std::int32_t id = -1;
    std::uint32_t position = 0;
    bool loop = false;
    float time = 0.0f; // the silence left, or the piece's end margin
};

class CMusicMng : public IMusicManager
{
public:
    static constexpr std::int32_t kPauseDepth = 5;
    static constexpr std::uint32_t kFadeStepMs = 20;
    using TickFunction = std::uint32_t (*)();

    // runFadeThread false: nobody calls Run but the owner (tests).
    explicit CMusicMng(bool runFadeThread = true);
    ~CMusicMng() override;

    // Lists the section and the pieces' files ("Filename", "TYPE").
    bool Init(const char* section) override;
    void SetSoundDevice(plat::ds::Device* device) override;
    // Starts a piece from its beginning with a fade-in of fadeIn seconds.
    // False when the music is off, the piece already plays, the id is not
    // in the list or the piece cannot be played.
    bool PlayMusic(int id, float fadeIn, bool loop, float endMargin) override;
    // At once (0) or with a fade-out of fadeOut seconds.
    void StopMusic(float fadeOut) override;
    // true: the current piece (with its position once it has stopped) or
    // silence goes on the pause stack and stops; false: the top record
    // resumes with a fade-in of fade seconds.
    void Pause(bool pause, float fade) override;
    bool IsPlayed(int id) override;
    // The current piece's id; -1 none, -2 a silence.
    int GetCurrentMusic() override;
    // One step of time: fade-out, silence, fade-in.
    void Run() override;
    void SetVolume(float volume) override;
    float GetVolume() override;

    void SetSilence(float seconds);
    bool IsSilence();
    float GetSilence();
    bool IsStopping();
    float GetMusicLength();
    float GetMusicTime();
    void EnableMusic(bool on);
    bool IsMusicOn();

    IMusic* GetMusicObject(int id);
    void CheckForPause(IMusic* music);
    void OnRunWithFade(float dt);
    void OnStopWithFade(float dt);

    static std::uint32_t FadeThreadFunc(void* manager);
    static std::uint32_t WaitEndingMusicThreadFunc(void* wait);

    // The millisecond clock of Run (tests run a manual one).
    void SetTickFunction(TickFunction tick);
    std::int32_t GetPauseCount();
    SMusicPauseRecord GetPauseRecord(std::int32_t index);
    // Waiting threads started and not yet joined (tests).
    std::int32_t GetEndWaitCount();

private:
    struct SEndWait
    {
        CMusicMng* manager = nullptr;
        IMusic* piece = nullptr;
        float margin = 0.0f;
        std::uint32_t waitMs = 0;
        plat::Handle endEvent = nullptr;
        plat::Handle thread = nullptr;
    };

    void StartEndWait(IMusic* piece, float margin, float waitSeconds);
    void ReleaseEndWait();
    void JoinFinishedWaits();
    void OnEndWaitExpired(SEndWait* wait);
    // Steps 4 and 5 of starting a piece: take it back from its fade-out or
    // stop what plays, then set the fade-in.
    void BeginFadeIn(IMusic* music, float fadeIn);
    void FreeEntries();

    plat::CriticalSection m_Lock;
    bool m_bMusicOn = true;
    std::vector<SMusicEntry> m_Entries;
    float m_fVolume = 1.0f;
    plat::ds::Device* m_pSoundDevice = nullptr;
    int m_nCurrentId = -1;
    IMusic* m_pCurrent = nullptr;
    float m_fFadeInTime = 0.0f;
    float m_fFadeInLength = 0.0f;
    float m_fEndMargin = 0.0f;
    bool m_bLoop = false;
    IMusic* m_pFadingOut = nullptr;
    float m_fFadeOutLeft = 0.0f;
    float m_fFadeOutLength = 0.0f;
    std::int32_t m_nPauseCount = 0;
    SMusicPauseRecord m_PauseStack[kPauseDepth];
    std::uint32_t m_nLastTick = 0;
    float m_fSilenceLeft = 0.0f;
    TickFunction m_pfnTick = plat::GetTickCount;

    std::atomic<bool> m_bStopThreads{false};
    plat::Handle m_hFadeThread = nullptr;
    SEndWait* m_pEndWait = nullptr;    // the current piece's, while it waits
    std::vector<SEndWait*> m_EndWaits; // every waiting thread not yet joined
};

extern CMusicMng* g_pMusicManager;
