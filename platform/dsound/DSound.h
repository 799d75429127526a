// The sound device in the shape of DirectSound 8, over OpenAL Soft.
//
// A Device (the DirectSound object) makes sound buffers: the primary buffer,
// which carries the output format, the primary volume and the 3-D listener,
// and secondary buffers holding PCM data (8 or 16 bits, mono or stereo).
// The numbers callers see are DirectSound's: volumes in hundredths of a
// decibel (-10000 silence .. 0 full), frequencies in samples per second
// (0 = the buffer's own rate), the DSBCAPS_/DSBSTATUS_/DSBPLAY_ bits, the
// DS3DMODE_ values, DS3D_DEFERRED, result codes, and a left-handed 3-D frame
// (x right, y up, z ahead) with distances in the listener's units.
//
// Buffers:
// - Static buffers keep their samples in memory; duplicates share those
//   samples (and the mixer's copy of them) and play independently. A buffer
//   holds a mixer voice only while it plays, so thousands of loaded sounds
//   cost no voices.
// - Buffers made with DSBCAPS_CTRLPOSITIONNOTIFY stream: the mixer is fed
//   from the buffer's memory a few milliseconds ahead of the play cursor,
//   so data written behind the cursor is heard on the next pass; position
//   notifications set the caller's events when the play cursor passes their
//   offsets (DSBPN_OFFSETSTOP when the buffer stops).
// - 3-D buffers (DSBCAPS_CTRL3D, mono only) follow DirectSound's distance law
//   (inverse distance clamped to min..max, times the listener's roll-off).
//   Settings given with DS3D_DEFERRED wait for the listener's
//   CommitDeferredSettings, which applies all of them at once.
//
// A real device feeds its streams from a service thread every few
// milliseconds. A loopback device has no output and no thread: the caller
// renders with RenderLoopback, which also runs the stream service between
// short slices, so what is heard can be measured deterministically.
//
// Ownership: reference counted, as COM objects: every Create*/Query*/
// Duplicate* hands out one reference; the last Release frees. Buffers keep
// their device's core alive, so releasing in any order is safe.
// Threads: every call may come from any thread; one process-wide lock
// serialises the mixer calls. Notification events are set from the thread
// that runs the stream service.
#pragma once

#include "platform/Thread.h"
#include "platform/Types.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace plat::ds
{

namespace detail
{
struct SDeviceCore;
struct SBufferState;
} // namespace detail

// Result codes.
constexpr HResult DS_OK = S_OK;
constexpr HResult DS_NO_VIRTUALIZATION = static_cast<HResult>(0x0878000Au);
constexpr HResult DSERR_ALLOCATED = static_cast<HResult>(0x8878000Au);
constexpr HResult DSERR_CONTROLUNAVAIL = static_cast<HResult>(0x8878001Eu);
constexpr HResult DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HResult DSERR_INVALIDCALL = static_cast<HResult>(0x88780032u);
constexpr HResult DSERR_GENERIC = E_FAIL;
constexpr HResult DSERR_PRIOLEVELNEEDED = static_cast<HResult>(0x88780046u);
constexpr HResult DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HResult DSERR_BADFORMAT = static_cast<HResult>(0x88780064u);
constexpr HResult DSERR_UNSUPPORTED = E_NOTIMPL;
constexpr HResult DSERR_NODRIVER = static_cast<HResult>(0x88780078u);
constexpr HResult DSERR_ALREADYINITIALIZED = static_cast<HResult>(0x88780082u);
constexpr HResult DSERR_NOAGGREGATION = static_cast<HResult>(0x80040110u);
constexpr HResult DSERR_BUFFERLOST = static_cast<HResult>(0x88780096u);
constexpr HResult DSERR_OTHERAPPHASPRIO = static_cast<HResult>(0x887800A0u);
constexpr HResult DSERR_UNINITIALIZED = static_cast<HResult>(0x887800AAu);
constexpr HResult DSERR_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult DSERR_ACCESSDENIED = static_cast<HResult>(0x80070005u);
constexpr HResult DSERR_BUFFERTOOSMALL = static_cast<HResult>(0x887800B4u);
constexpr HResult DSERR_DS8_REQUIRED = static_cast<HResult>(0x887800BEu);
constexpr HResult DSERR_SENDLOOP = static_cast<HResult>(0x887800C8u);
constexpr HResult DSERR_BADSENDBUFFERGUID = static_cast<HResult>(0x887800D2u);
constexpr HResult DSERR_OBJECTNOTFOUND = static_cast<HResult>(0x88781161u);
constexpr HResult DSERR_FXUNAVAILABLE = static_cast<HResult>(0x887800DCu);

// Cooperative levels.
constexpr std::uint32_t DSSCL_NORMAL = 1;
constexpr std::uint32_t DSSCL_PRIORITY = 2;
constexpr std::uint32_t DSSCL_EXCLUSIVE = 3;
constexpr std::uint32_t DSSCL_WRITEPRIMARY = 4;

// Buffer capabilities.
constexpr std::uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr std::uint32_t DSBCAPS_STATIC = 0x00000002;
constexpr std::uint32_t DSBCAPS_LOCHARDWARE = 0x00000004;
constexpr std::uint32_t DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr std::uint32_t DSBCAPS_CTRL3D = 0x00000010;
constexpr std::uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr std::uint32_t DSBCAPS_CTRLPAN = 0x00000040;
constexpr std::uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr std::uint32_t DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr std::uint32_t DSBCAPS_STICKYFOCUS = 0x00004000;
constexpr std::uint32_t DSBCAPS_GLOBALFOCUS = 0x00008000;
constexpr std::uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;
constexpr std::uint32_t DSBCAPS_MUTE3DATMAXDISTANCE = 0x00020000;
constexpr std::uint32_t DSBCAPS_LOCDEFER = 0x00040000;

// Buffer status bits.
constexpr std::uint32_t DSBSTATUS_PLAYING = 0x00000001;
constexpr std::uint32_t DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr std::uint32_t DSBSTATUS_LOOPING = 0x00000004;
constexpr std::uint32_t DSBSTATUS_LOCHARDWARE = 0x00000008;
constexpr std::uint32_t DSBSTATUS_LOCSOFTWARE = 0x00000010;
constexpr std::uint32_t DSBSTATUS_TERMINATED = 0x00000020;

constexpr std::uint32_t DSBPLAY_LOOPING = 0x00000001;
constexpr std::uint32_t DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr std::uint32_t DSBLOCK_ENTIREBUFFER = 0x00000002;

constexpr std::int32_t DSBVOLUME_MIN = -10000;
constexpr std::int32_t DSBVOLUME_MAX = 0;
constexpr std::uint32_t DSBFREQUENCY_ORIGINAL = 0;
constexpr std::uint32_t DSBFREQUENCY_MIN = 100;
constexpr std::uint32_t DSBFREQUENCY_MAX = 200000;
constexpr std::uint32_t DSBSIZE_MIN = 4;
constexpr std::uint32_t DSBSIZE_MAX = 0x0FFFFFFF;
constexpr std::uint32_t DSBPN_OFFSETSTOP = 0xFFFFFFFFu;

// 3-D modes and when a 3-D setting applies.
constexpr std::uint32_t DS3DMODE_NORMAL = 0;
constexpr std::uint32_t DS3DMODE_HEADRELATIVE = 1;
constexpr std::uint32_t DS3DMODE_DISABLE = 2;
constexpr std::uint32_t DS3D_IMMEDIATE = 0;
constexpr std::uint32_t DS3D_DEFERRED = 1;

constexpr float DS3D_DEFAULTMINDISTANCE = 1.0f;
constexpr float DS3D_DEFAULTMAXDISTANCE = 1.0e9f;
constexpr float DS3D_DEFAULTDISTANCEFACTOR = 1.0f;
constexpr float DS3D_DEFAULTROLLOFFFACTOR = 1.0f;
constexpr float DS3D_DEFAULTDOPPLERFACTOR = 1.0f;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
// The wave format record (WAVEFORMATEX): 18 bytes, the first 16 as the
// "fmt " chunk of a RIFF WAVE file stores them.
struct WaveFormat
{
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18, "the wave format record is 18 bytes");

// What a buffer is made with (DSBUFFERDESC). size must be sizeof(BufferDesc).
struct BufferDesc
{
    std::uint32_t size = sizeof(BufferDesc);
    std::uint32_t flags = 0;
    std::uint32_t bufferBytes = 0;
    std::uint32_t reserved = 0;
    const WaveFormat* format = nullptr;
    std::uint32_t algorithm3D = 0; // 0: the default 3-D algorithm (the only one)
};

struct Vector3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct PositionNotify
{
    std::uint32_t offset = 0; // byte offset, or DSBPN_OFFSETSTOP
    Handle event = nullptr;   // a plat event (CreateEvent)
};

class Buffer;
class Buffer3D;
class Listener;
class Notify;

// Reference counting shared by every object of the layer.
class Unknown
{
public:
    std::uint32_t AddRef();
    std::uint32_t Release();

protected:
    Unknown() = default;
    virtual ~Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;

private:
    std::atomic<std::uint32_t> m_nRefs{1};
};

class Device : public Unknown
{
public:
    // The window is kept for the record; the desktop mixes every program's
    // sound whatever the level. Levels outside 1..4 are refused.
    HResult SetCooperativeLevel(void* window, std::uint32_t level);
    // The primary buffer (one per device; a second request hands out the
    // same object), a static buffer, or a streaming buffer.
    HResult CreateSoundBuffer(const BufferDesc* desc, Buffer** out);
    // A buffer that plays the original's samples with its own cursor,
    // volume, frequency and 3-D settings (copied from the original).
    HResult DuplicateSoundBuffer(Buffer* original, Buffer** out);

    // Loopback devices: mixes frames frames of interleaved float samples
    // (the device's channel count) into out. Fails on a real device.
    HResult RenderLoopback(float* out, std::uint32_t frames);
    bool IsLoopback() const;
    std::uint32_t GetOutputRate() const;
    std::uint32_t GetOutputChannels() const;

    // Tests: while lost, every secondary buffer reports DSBSTATUS_BUFFERLOST
    // and Play, Lock and Restore answer DSERR_BUFFERLOST, as when another
    // program takes the sound card.
    void SimulateBufferLoss(bool lost);

    // Layer-internal.
    explicit Device(std::shared_ptr<detail::SDeviceCore> core);
    ~Device() override;
    const std::shared_ptr<detail::SDeviceCore>& Core() const { return m_pCore; }

private:
    std::shared_ptr<detail::SDeviceCore> m_pCore;
    std::uint32_t m_nLevel = 0;
};

// The default output device. DSERR_NODRIVER when OpenAL opens none.
HResult DirectSoundCreate(Device** out);
// A device without output (ALC_SOFT_loopback) that mixes on request into
// 32-bit float frames at the given rate, 1 or 2 channels.
HResult CreateLoopbackDevice(std::uint32_t sampleRate, std::uint32_t channels, Device** out);

class Buffer : public Unknown
{
public:
    HResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write);
    HResult GetFormat(WaveFormat* out, std::uint32_t size, std::uint32_t* written);
    HResult GetVolume(std::int32_t* volume);
    HResult GetFrequency(std::uint32_t* frequency);
    HResult GetStatus(std::uint32_t* status);
    // One or two regions (the second when the range wraps past the end).
    // They are a copy of the buffer's bytes: what is written there reaches
    // the buffer at Unlock, under the device lock, so a writer never races
    // the stream service. Each Lock needs its Unlock (with the same part 1).
    HResult Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* bytes1, void** part2,
                 std::uint32_t* bytes2, std::uint32_t flags);
    HResult Unlock(void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2);
    HResult Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags);
    HResult Stop();
    HResult SetCurrentPosition(std::uint32_t offset);
    HResult SetFormat(const WaveFormat* format); // primary only
    HResult SetVolume(std::int32_t volume);
    HResult SetFrequency(std::uint32_t frequency);
    HResult Restore();

    // The other interfaces of the buffer; each holds a reference on it.
    HResult QueryBuffer3D(Buffer3D** out); // DSBCAPS_CTRL3D secondary buffers
    HResult QueryListener(Listener** out); // the primary buffer made with DSBCAPS_CTRL3D
    HResult QueryNotify(Notify** out);     // DSBCAPS_CTRLPOSITIONNOTIFY buffers

    // Layer-internal.
    Buffer(std::shared_ptr<detail::SDeviceCore> core, std::unique_ptr<detail::SBufferState> state);
    ~Buffer() override;
    detail::SBufferState& State() { return *m_pState; }
    const std::shared_ptr<detail::SDeviceCore>& Core() const { return m_pCore; }

private:
    std::shared_ptr<detail::SDeviceCore> m_pCore;
    std::unique_ptr<detail::SBufferState> m_pState;
};

class Buffer3D : public Unknown
{
public:
    HResult SetPosition(float x, float y, float z, std::uint32_t apply);
    HResult GetPosition(Vector3* out);
    HResult SetVelocity(float x, float y, float z, std::uint32_t apply);
    HResult GetVelocity(Vector3* out);
    HResult SetMinDistance(float distance, std::uint32_t apply);
    HResult GetMinDistance(float* out);
    HResult SetMaxDistance(float distance, std::uint32_t apply);
    HResult GetMaxDistance(float* out);
    HResult SetMode(std::uint32_t mode, std::uint32_t apply);
    HResult GetMode(std::uint32_t* out);

    explicit Buffer3D(Buffer* buffer);
    ~Buffer3D() override;

private:
    Buffer* m_pBuffer;
};

class Listener : public Unknown
{
public:
    HResult SetPosition(float x, float y, float z, std::uint32_t apply);
    HResult GetPosition(Vector3* out);
    HResult SetVelocity(float x, float y, float z, std::uint32_t apply);
    // front and top vectors.
    HResult SetOrientation(float fx, float fy, float fz, float tx, float ty, float tz, std::uint32_t apply);
    HResult SetDistanceFactor(float factor, std::uint32_t apply);
    HResult SetRolloffFactor(float factor, std::uint32_t apply);
    HResult SetDopplerFactor(float factor, std::uint32_t apply);
    HResult GetRolloffFactor(float* out);
    // Applies every deferred setting of the listener and of the device's 3-D
    // buffers at once.
    HResult CommitDeferredSettings();

    explicit Listener(Buffer* primary);
    ~Listener() override;

private:
    Buffer* m_pPrimary;
};

class Notify : public Unknown
{
public:
    // Replaces the notifications; only while the buffer is stopped.
    HResult SetNotificationPositions(std::uint32_t count, const PositionNotify* positions);

    explicit Notify(Buffer* buffer);
    ~Notify() override;

private:
    Buffer* m_pBuffer;
};

// Hundredths of a decibel to a linear amplitude factor (-10000 gives 0).
float VolumeToGain(std::int32_t hundredths);

} // namespace plat::ds
