// ISoundObject / CSoundObject2: one playable copy of a loaded sound: a
// secondary sound buffer (the container's first, or a duplicate sharing its
// samples) with its optional 3-D interface. It remembers the last position,
// velocity and distances sent, so unchanged parameters cost nothing;
// positions and velocities that moved less than the movement threshold
// (min distance squared x 0.001) are not sent at all. All 3-D parameters are
// sent deferred: they apply at the manager's once-per-frame commit.
//
// Ownership: the object owns one reference on its buffer and 3-D interface.
// Threads: made on the loader thread, used by the main thread; the sound
// manager's lock keeps the two apart.
#pragma once

#include "foundation/ClassFactory.h"
#include "platform/dsound/DSound.h"

#include <cstdint>

class CSoundContainer2;

class ISoundObject : public IBaseInterface
{
public:
    virtual void Done() = 0;
    virtual bool Play(bool loop) = 0;
    virtual bool Stop() = 0;
    virtual bool IsPlaying() = 0;
    virtual void SetVolume(float volume) = 0;
    virtual float GetVolume() = 0;
    virtual bool SetPosition(const float* position) = 0;
    virtual bool SetSpeed(const float* velocity) = 0;
    virtual void Init(CSoundContainer2* container, plat::ds::Buffer* buffer) = 0;
    virtual bool SetFrequency(float frequency) = 0;
    virtual void SetDistance(float minDistance, float maxDistance) = 0;
    virtual void GetDistance(float* minDistance, float* maxDistance) = 0;
    virtual bool SetMode(std::int32_t mode) = 0;
    virtual bool SetCurrentPosition(std::uint32_t bytes) = 0;
    virtual std::int32_t GetLastResult() = 0;
    virtual void GetSpeed(float* out) = 0;
};

class CSoundObject2 : public ISoundObject
{
public:
    // Restore rounds a lost buffer gets before Play gives up.
    static constexpr int kRestoreRounds = 50;

    CSoundObject2() = default;
    ~CSoundObject2() override;
    CSoundObject2(const CSoundObject2&) = delete;
    CSoundObject2& operator=(const CSoundObject2&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(CSoundObject2); }

    // Takes over the caller's reference on buffer; asks a 3-D container's
    // buffer for its 3-D interface and sends the container's distances.
    void Init(CSoundContainer2* container, plat::ds::Buffer* buffer) override;
    void Done() override;
    // Restores a lost buffer (a bounded number of rounds), then plays from
    // the current position.
    bool Play(bool loop) override;
    // Rewinds to 0 and stops.
    bool Stop() override;
    bool IsPlaying() override;
    // Ignored outside 0..1. The buffer gets volume x base volume while the
    // object is in use, else the base volume.
    void SetVolume(float volume) override;
    float GetVolume() override;
    bool SetPosition(const float* position) override;
    bool SetSpeed(const float* velocity) override;
    // Samples per second, truncated; 0 restores the buffer's own rate.
    bool SetFrequency(float frequency) override;
    void SetDistance(float minDistance, float maxDistance) override;
    // Leaves the outputs untouched when no distance was ever set.
    void GetDistance(float* minDistance, float* maxDistance) override;
    // 0 normal, 1 head-relative, 2 3-D processing off.
    bool SetMode(std::int32_t mode) override;
    bool SetCurrentPosition(std::uint32_t bytes) override;
    std::int32_t GetLastResult() override { return m_nLastPlayResult; }
    void GetSpeed(float* out) override;

    // Container-side state.
    void SetInUse(bool inUse) { m_bInUse = inUse; }
    bool IsInUse() const { return m_bInUse; }
    void SetBaseVolume(float volume) { m_fBaseVolume = volume; }
    void SetMoveThreshold(float threshold) { m_fMoveThreshold = threshold; }
    plat::ds::Buffer* GetBuffer() const { return m_pBuffer; }
    plat::ds::Buffer3D* GetBuffer3D() const { return m_pBuffer3D; }

private:
    plat::ds::Buffer* m_pBuffer = nullptr;
    plat::ds::Buffer3D* m_pBuffer3D = nullptr;
    float m_vPosition[3] = {};
    float m_vVelocity[3] = {};
    float m_fMoveThreshold = 0.0f;
    bool m_bInUse = false;
    float m_fBaseVolume = 1.0f;
    float m_fVolume = 1.0f;
    float m_fMinDistance = -1.0f;
    float m_fMaxDistance = -1.0f;
    std::int32_t m_nLastPlayResult = 0;
};

// Writes the DirectSound name of a result code into out (at least 32
// bytes); other codes leave out unchanged.
void GetDSResultName(std::int32_t result, char* out);
