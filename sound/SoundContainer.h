// ISoundContainer / CSoundContainer2: one sound-table entry's sound, read
// once from a WAV file (RIFF through the multimedia-file reader, from the
// disk) or an Ogg Vorbis file (decoded whole, through the pack-aware file
// reader), put into one secondary sound buffer, and handed out as up to 30
// sound objects that play that buffer's samples (the first object owns the
// buffer, the others are duplicates).
//
// Failures to load write one error-log line with the path and the reason
// and return false. A non-PCM WAV, a file of another kind, a data chunk
// running past the file's end, an Ogg stream whose chained streams change
// channels or rate, or damaged Vorbis headers fail the load; an Ogg sound
// longer than the 8,388,608-byte decode buffer is cut there (logged).
//
// Ownership: the container owns its objects. Threads: LoadFromFile,
// SetDistance and SetVolume may run on the loader thread, GetSoundObject,
// FreeSoundObject and the objects' operations on the main thread; the sound
// manager keeps them apart. The object count is atomic because the loader
// asks IsPlaying while the main thread may add a duplicate.
#pragma once

#include "sound/SoundObject.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CSoundBase;

class ISoundContainer : public IBaseInterface
{
public:
    virtual void Init(CSoundBase* manager, bool is3D) = 0;
    virtual bool LoadFromFile(const char* path) = 0;
    virtual void Unload() = 0;
    virtual bool Play(bool loop) = 0;
    virtual bool IsPlaying() = 0;
    virtual bool Stop() = 0;
    virtual void SetVolume(float volume) = 0;
    virtual float GetVolume() = 0;
    virtual bool SetDistance(float minDistance, float maxDistance) = 0;
    virtual ISoundObject* GetSoundObject() = 0;
    virtual void FreeSoundObject(ISoundObject* object) = 0;
    virtual bool IsMono() = 0;
    virtual std::uint32_t GetDataSize() = 0;
};

class CSoundContainer2 : public ISoundContainer
{
public:
    static constexpr std::int32_t kMaxObjects = 30;
    static constexpr std::uint32_t kDecodeBufferSize = 8388608;

    CSoundContainer2() = default;
    ~CSoundContainer2() override;
    CSoundContainer2(const CSoundContainer2&) = delete;
    CSoundContainer2& operator=(const CSoundContainer2&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(CSoundContainer2); }

    void Init(CSoundBase* manager, bool is3D) override;
    bool LoadFromFile(const char* path) override;
    void Unload() override;
    // Plays a free object (making a duplicate when none is free); false
    // with 30 busy objects or nothing loaded.
    bool Play(bool loop) override;
    bool IsPlaying() override;
    bool Stop() override;
    void SetVolume(float volume) override;
    float GetVolume() override { return m_fVolume; }
    bool SetDistance(float minDistance, float maxDistance) override;
    // A free object marked in use (volume 1), a new duplicate while fewer
    // than 30 exist, else null.
    ISoundObject* GetSoundObject() override;
    // Back to free: stopped, own rate, volume 1, the container's
    // distances, 3-D mode normal.
    void FreeSoundObject(ISoundObject* object) override;
    bool IsMono() override { return m_bMono; }
    std::uint32_t GetDataSize() override { return m_nDataSize; }

    bool Is3D() const { return m_bIs3D; }
    float GetMinDistance() const { return m_fMinDistance; }
    float GetMaxDistance() const { return m_fMaxDistance; }
    std::int32_t GetObjectCount() const { return m_nObjectCount; }
    const char* GetFileName() const { return m_pFileName; }

private:
    bool ReadWave(const char* path, plat::ds::WaveFormat* format, std::vector<std::uint8_t>* pcm);
    CSoundObject2* Duplicate();
    CSoundObject2* Object(std::int32_t i) const { return m_pObjects[i]; }

    CSoundBase* m_pManager = nullptr;
    bool m_bIs3D = false;
    bool m_bMono = false;
    float m_fVolume = 1.0f;
    float m_fMinDistance = 1.0f;
    float m_fMaxDistance = 1.0e9f;
    char* m_pFileName = nullptr;
    std::uint32_t m_nDataSize = 0;
    CSoundObject2* m_pObjects[kMaxObjects] = {};
    std::atomic<std::int32_t> m_nObjectCount{0};
};
