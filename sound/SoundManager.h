// CSoundManager2: the one object through which the game plays sound
// effects (g_pSoundManager, interface ISound).
//
// It owns the sound table (one entry per record of a database section,
// "Звуки" for the game: file, base volume, 3-D flag, audible distance,
// synonyms "K.01".."K.99" of a key K), the sound containers (loaded and
// released on demand by its threaded resource-manager base, one per table
// entry), the sound sources (numbered playing instances of table entries,
// 2-D or in 3-D; see the source operations below) and the sound device (its
// CSoundBase base).
//
// Rules: every operation does nothing and returns its failure value while
// the device is not ready; the operations that say so, and all source
// operations, also do nothing while the master volume is 0 (sources are
// frozen, not stopped). Entries whose container was refused because the
// volume was 0 load again once the volume is raised.
//
// Two resets: DoneSources() (what the game calls when it enters a menu,
// changes the sound options or leaves a game) frees every source id, clears
// the source records (so an id kept across it is invalid) and releases the
// loaded containers; the table stays. Done() (the ISound operation, also
// run by the destructor and by the base when it is initialised again)
// additionally ends the loader thread and empties the table's entries;
// InitMngr starts over.
//
// Threads: everything runs on the main thread except the four resource
// callbacks (MT_*), which run on the base's loader thread. One lock guards
// the table entries, the source records, their id pool and the active list;
// the callbacks take it too (MT_IsPermitUnload, called with the base's lock
// held, reads only atomic counts), so a container is never released while
// the per-frame update binds it.
#pragma once

#include "foundation/MTResourceManager.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "foundation/SlotPool.h"
#include "sound/SoundBase.h"
#include "foundation/U32Array.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class ISoundObject;
class CSoundContainer2;

// One table entry; also the result record of GetSoundParam.
struct SSoundInfo
{
    char name[80];
    char category[80];
    float volume;
    char key[32];
    char fileName[260];
    bool is3D;
    float minDistance;
    float maxDistance;
    std::int32_t synonymCount;
};

// One sound source record.
struct SSoundSource
{
    std::int32_t entry = -1; // the table entry played (a synonym may have been picked); -1: free
    ISoundObject* object = nullptr;
    bool is3D = false;
    bool loop = false;
    std::int32_t state = 0;  // ESourceState
    std::uint32_t level = 0; // fade level, milliseconds 0..500
    std::uint32_t dirty = 4; // parameters still to apply to the object (ESourceDirty)
    std::int32_t mode = 0;   // 0 normal, 1 head-relative, 2 3-D off
    float frequency = -1.0f; // -1: the buffer's own rate
    float minDistance = 0.0f;
    float maxDistance = 0.0f;
    float volume = 1.0f;
    float position[3] = {};
    float velocity[3] = {};
    bool playRequested = false;
    bool autoRelease = false;
};

enum ESourceState : std::int32_t
{
    kSourceStopped = 0,
    kSourcePlaying = 1,
    kSourceFadingIn = 2,
    kSourceFadingOut = 3,
};

enum ESourceDirty : std::uint32_t
{
    kDirtyVolume = 1,
    kDirtyFrequency = 2,
    kDirtyPosition = 4,
    kDirtyVelocity = 8,
    kDirtyDistance = 16,
    kDirtyMode = 32,
};

class CSoundManager2 : public CSoundBase, public CMTResourceManager
{
public:
    static constexpr std::int32_t kSourceIds = 500;
    static constexpr std::uint32_t kFadeLength = 500; // milliseconds
    using TickFunction = std::uint32_t (*)();

    CSoundManager2();
    ~CSoundManager2() override;

    CGuidKey GetGUID() const override;

    // Device set-up (stored as the ready flag). The game passes its main
    // window, 44100 Hz, 2 channels, 16 bits.
    bool InitSnd(const SSoundInitParams* params);
    bool InitSnd(plat::ds::Device* device, plat::ds::Buffer* primary);
    // Reads the sound table from the section and starts the loader.
    void InitMngr(const char* section);
    void DoneSources();
    void Done() override;

    // Most 3-D sources that sound at once (at least 1). (v)
    void SetLimitSoundSource(std::int32_t n);
    // Master volume (not clamped), then every entry's volume again.
    void SetVolumeMng(float volume) override;
    float GetVolume() override;
    // Entry volume: the loaded container gets volume x master volume and
    // the entry's sources re-apply theirs. (v)
    void SetVolume(std::int32_t index, float volume);
    // The primary buffer's volume.
    void SetVolume(float volume);
    float GetMaxDistance(std::int32_t index); // FLT_MAX outside the table
    void GetDistance(std::int32_t index, float* minDistance, float* maxDistance);
    bool Is3DSound(std::int32_t index);                      // (v); true outside the table
    void GetSoundParam(std::int32_t index, SSoundInfo* out); // (v)
    // The entry or one of its synonyms, drawn with the C runtime's rand().
    void RandomSynonym(std::int32_t index, std::int32_t* out);

    // A 2-D sound that releases itself; the caller gets no id.
    void Play2DById(std::int32_t index, bool loop);
    void Play2D(const char* name, bool loop); // (v)
    // A one-shot at pos when pos is within the entry's maximum distance of
    // the listener position given; its id, or -1.
    std::int32_t Play3DMotionlessById(std::int32_t index, const float* position,
                                      const float* listenerPosition, bool autoRelease);
    std::int32_t Play3DMotionless(const char* name, const float* position, const float* listenerPosition,
                                  bool autoRelease);
    // Any source of the entry or its synonyms wants to sound. (v)
    bool IsPlaying(std::int32_t index);
    // Every source of the entry or its synonyms stops at once. (v)
    void Stop(std::int32_t index);
    void Stop(const char* name);
    void StopAll();

    // Sound sources. An id is valid while it is in use (1..500); every
    // operation checks it, and an invalid id is also taken off the active
    // list.
    std::int32_t AddSndSrc(std::int32_t index, const float* position);
    std::int32_t AddSndSrc(const char* name, const float* position);
    void PlaySndSrc(std::int32_t id, bool loop, bool autoRelease, bool fadeIn);
    void StopSndSrc(std::int32_t id, bool fadeOut);
    // *id becomes -1 in every case; the source is freed once it has stopped.
    void DeleteSndSrc(std::int32_t* id, bool fadeOut);
    // Unbinds the object; release: also frees the id.
    void FreeSndSrc(std::int32_t id, bool release);
    bool IsPlayingSndSrc(std::int32_t id);
    bool IsActiveSndSrc(std::int32_t id);
    void SetVolumeSndSrc(std::int32_t id, float volume);
    void SetFrequenceSndSrc(std::int32_t id, float frequency);
    void SetPosSndSrc(std::int32_t id, const float* position);
    void SetSpeedSndSrc(std::int32_t id, const float* velocity);
    // A looping source that follows its object: when *id is -1, makes a
    // source of the entry and plays it looping (*id stays -1 when none can
    // be made); then moves it to the position and, when one is given, sets
    // its velocity.
    void KeepLoopSndSrc(std::int32_t* id, std::int32_t index, const float* position,
                        const float* velocity = nullptr);
    void SetMaxDistSndSrc(std::int32_t id, float minDistance, float maxDistance);
    void SetModeSndSrc(std::int32_t id, std::int32_t mode);
    void ChangeParamSndSrc(std::int32_t id);
    void ProcessingSndSrc(std::int32_t id, bool stopping);
    // The per-frame update: binds, fades, ranks the 3-D sources and keeps
    // the loudest sourceLimit, then commits the deferred 3-D settings.
    bool ApplySettings() override;

    void* MT_LoadResource(std::int32_t index, std::uint32_t* size) override;
    void MT_UnloadResource(void* resource, std::int32_t index) override;
    bool MT_IsPermitUnload(std::int32_t index) override;
    void MT_OnLoadResource(std::int32_t index) override;

    // The table index of a record name, or -1 (also for null).
    std::int32_t Lookup(const char* name) const;
    bool IsReady() const { return m_bReady; }
    std::int32_t GetTableSize();
    bool GetEntry(std::int32_t index, SSoundInfo* out);
    // A copy of a source record (tests and tools).
    SSoundSource GetSource(std::int32_t id);
    std::int32_t GetActiveCount();
    std::int32_t GetSourceLimit() const { return m_nSourceLimit; }
    std::uint32_t GetFrameTime() const { return m_nFrameTime; }
    // The millisecond clock of the update (tests run a manual one).
    void SetTickFunction(TickFunction tick) { m_pfnTick = tick ? tick : plat::GetTickCount; }

private:
    bool Active() const { return m_bReady && m_fMasterVolume.load() != 0.0f; }
    bool Valid(std::int32_t id) const;
    // Valid, or taken off the active list.
    bool Check(std::int32_t id);
    void RemoveActive(std::int32_t id);
    void Bind(std::int32_t id);
    void SetObject(SSoundSource& source, ISoundObject* object);
    void PlayRanked(std::int32_t id);
    bool InGroup(std::int32_t index, std::int32_t entry) const;
    CSoundContainer2* Container(std::int32_t index, bool touch);

    std::atomic<bool> m_bReady{false};
    std::atomic<float> m_fMasterVolume{1.0f};
    std::int32_t m_nSourceLimit = 10;
    std::uint32_t m_nLastTick = 0;
    std::uint32_t m_nFrameTime = 0;
    TickFunction m_pfnTick = plat::GetTickCount;

    // Guards everything below (recursive: the operations call each other).
    plat::CriticalSection m_SourceLock;
    std::vector<SSoundInfo> m_Table;
    std::vector<std::vector<std::int32_t>> m_Groups; // entry, then its synonyms
    std::vector<std::uint8_t> m_RefusedAtZero;
    std::unique_ptr<std::atomic<std::int32_t>[]> m_Bound; // sources bound to each entry
    CU32Array m_Active;
    CSlotPool<SSoundSource> m_Sources;
};

extern CSoundManager2* g_pSoundManager;
