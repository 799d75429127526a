// Layer-internal state of the sound device: the OpenAL device and context,
// the live buffers, the listener, the voice pool and the stream service.
//
// Every field below the lock line is touched only with AlLock() held (one
// recursive lock for the whole process, because an OpenAL context is made
// current process-wide). CAlScope takes the lock and makes a device's
// context current.
#pragma once

#include "platform/dsound/DSound.h"

#define AL_ALEXT_PROTOTYPES 1
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace plat::ds::detail
{

std::recursive_mutex& AlLock();

struct S3DParams
{
    Vector3 position;
    Vector3 velocity;
    float minDistance = DS3D_DEFAULTMINDISTANCE;
    float maxDistance = DS3D_DEFAULTMAXDISTANCE;
    std::uint32_t mode = DS3DMODE_NORMAL;
};

struct SListenerParams
{
    Vector3 position;
    Vector3 velocity;
    Vector3 front{0.0f, 0.0f, 1.0f};
    Vector3 top{0.0f, 1.0f, 0.0f};
    float distanceFactor = DS3D_DEFAULTDISTANCEFACTOR;
    float rolloffFactor = DS3D_DEFAULTROLLOFFFACTOR;
    float dopplerFactor = DS3D_DEFAULTDOPPLERFACTOR;
};

// Samples shared by a buffer and its duplicates.
struct SBufferData
{
    std::vector<std::uint8_t> bytes;
    WaveFormat format;
    ALenum alFormat = 0;
    ALuint alBuffer = 0;        // the mixer's copy, made on the first play
    std::uint64_t version = 1;  // bumped by every Unlock
    std::uint64_t uploaded = 0; // version of alBuffer
};

// One piece of a stream handed to the mixer.
struct SChunk
{
    ALuint alBuffer = 0;
    std::uint32_t ringPos = 0; // where it was taken from in the buffer
    std::uint32_t bytes = 0;
};

// A region handed out by Lock. The caller writes into a private copy
// that Unlock puts back under the lock: the stream service reads the
// samples on its own thread, so the buffer's bytes are never written
// without the lock held.
struct SLockedRegion
{
    std::vector<std::uint8_t> staging; // part 1, then part 2
    std::uint32_t offset = 0;          // of part 1 in the buffer
    std::uint32_t bytes1 = 0;
    std::uint32_t bytes2 = 0; // part 2 starts at offset 0
};

struct SBufferState
{
    Buffer* self = nullptr;
    std::uint32_t flags = 0;
    bool primary = false;
    bool stream = false;
    std::shared_ptr<SBufferData> data;

    std::int32_t volume = 0;
    std::uint32_t frequency = 0;
    S3DParams current;
    S3DParams deferred;
    bool hasDeferred = false;

    ALuint source = 0; // a voice while playing
    bool playing = false;
    bool looping = false;
    std::uint32_t position = 0; // play cursor while no voice holds it

    // Streams.
    std::deque<SChunk> queue;
    std::vector<ALuint> spare;
    std::uint32_t feedPos = 0;
    bool feedEnded = false;
    std::uint32_t lastCursor = 0;
    std::uint32_t chunkBytes = 0;
    std::vector<PositionNotify> notes;

    std::vector<std::unique_ptr<SLockedRegion>> locked; // until Unlock
};

struct SDeviceCore
{
    SDeviceCore() = default;
    ~SDeviceCore();
    SDeviceCore(const SDeviceCore&) = delete;
    SDeviceCore& operator=(const SDeviceCore&) = delete;

    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool loopback = false;
    std::uint32_t rate = 0;
    std::uint32_t channels = 2;
    LPALCRENDERSAMPLESSOFT render = nullptr;
    bool hasDirectChannels = false;

    std::thread service;
    std::atomic<bool> stopService{false};

    // --- under AlLock() ---
    std::vector<SBufferState*> buffers; // live secondary buffers
    Buffer* primary = nullptr;          // not owned
    std::int32_t primaryVolume = 0;
    WaveFormat primaryFormat;
    SListenerParams listener;
    SListenerParams listenerDeferred;
    bool listenerHasDeferred = false;
    std::vector<ALuint> freeSources;
    std::vector<ALuint> retiredBuffers; // mixer copies replaced while a voice still played them
    bool lost = false;
    std::uint32_t level = 0; // cooperative level

    void StartService();
    // One pass over the playing buffers: streams are fed and notify, ended
    // voices return to the pool.
    void ServiceLocked();
};

// Takes the lock and makes the device's context current.
class CAlScope
{
public:
    explicit CAlScope(const SDeviceCore& core);
    CAlScope(const CAlScope&) = delete;
    CAlScope& operator=(const CAlScope&) = delete;

private:
    std::lock_guard<std::recursive_mutex> m_guard;
};

// Helpers of Buffer.cpp used by the device and the service (lock held).
void ApplySourceParams(SDeviceCore& core, SBufferState& state);
void ReleaseVoice(SDeviceCore& core, SBufferState& state);
void ServiceStream(SDeviceCore& core, SBufferState& state);
void ReclaimIfEnded(SDeviceCore& core, SBufferState& state);
void DeleteRetiredBuffers(SDeviceCore& core);

} // namespace plat::ds::detail
