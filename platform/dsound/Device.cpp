// The sound device: OpenAL device and context, the primary buffer, the
// listener and the stream service thread.

#include "platform/dsound/DSoundCore.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace plat::ds
{

namespace
{

using namespace detail;

// How often a real device feeds its streams. The streams keep a few tens of
// milliseconds queued, so a pass every 5 ms leaves a wide margin.
constexpr auto kServicePeriod = std::chrono::milliseconds(5);
// Voices asked of OpenAL; the sound code limits what sounds at once itself.
constexpr ALCint kMonoVoices = 256;
constexpr ALCint kStereoVoices = 32;
// Largest slice a loopback render mixes between two stream services.
constexpr std::uint32_t kMaxRenderSlice = 1024;

// ALSA's error handler: says nothing.
extern "C" void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card OpenAL Soft and the ALSA library it loads each print
// their own failures to stderr, a dozen lines, before the device reports
// that it did not start (which the game logs as one line of its own). Both
// are quietened once, before the first OpenAL call, unless the user has set
// OpenAL Soft's log level, and so asked to hear them.
void QuietSoundLibraries()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       if (std::getenv("ALSOFT_LOGLEVEL")) return;
                       setenv("ALSOFT_LOGLEVEL", "0", 0);
                       // The same library OpenAL Soft opens later: its handler is
                       // process-wide. The library stays loaded.
                       void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
                       if (!alsa) return; // no ALSA: nothing to quieten
                       using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
                       auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
                       if (set) set(SilentAlsaError);
                   });
}

void SetListenerAl(const SDeviceCore& core)
{
    const SListenerParams& l = core.listener;
    // DirectSound's frame is left-handed with z ahead; OpenAL's is
    // right-handed with -z ahead: z changes sign.
    alListener3f(AL_POSITION, l.position.x, l.position.y, -l.position.z);
    alListener3f(AL_VELOCITY, l.velocity.x, l.velocity.y, -l.velocity.z);
    const ALfloat orientation[6] = {l.front.x, l.front.y, -l.front.z, l.top.x, l.top.y, -l.top.z};
    alListenerfv(AL_ORIENTATION, orientation);
    alDopplerFactor(l.dopplerFactor);
    // DirectSound counts the speed of sound in metres; one unit is
    // distanceFactor metres.
    alSpeedOfSound(343.3f / (l.distanceFactor > 0.0f ? l.distanceFactor : 1.0f));
}

void ApplyAllSources(SDeviceCore& core)
{
    for (SBufferState* state : core.buffers)
        if (state->source) ApplySourceParams(core, *state);
}

HResult MakeDevice(std::shared_ptr<SDeviceCore> core, Device** out)
{
    {
        CAlScope scope(*core);
        alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
        core->hasDirectChannels = alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE;
        SetListenerAl(*core);
        alListenerf(AL_GAIN, 1.0f);
    }
    if (!core->loopback) core->StartService();
    *out = new Device(std::move(core));
    return DS_OK;
}

} // namespace

namespace detail
{

std::recursive_mutex& AlLock()
{
    static std::recursive_mutex lock;
    return lock;
}

CAlScope::CAlScope(const SDeviceCore& core) : m_guard(AlLock())
{
    if (core.context && alcGetCurrentContext() != core.context) alcMakeContextCurrent(core.context);
}

SDeviceCore::~SDeviceCore()
{
    stopService = true;
    if (service.joinable()) service.join();
    std::lock_guard guard(AlLock());
    if (context)
    {
        alcMakeContextCurrent(context);
        DeleteRetiredBuffers(*this);
        if (!freeSources.empty())
            alDeleteSources(static_cast<ALsizei>(freeSources.size()), freeSources.data());
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
    if (device) alcCloseDevice(device);
}

void SDeviceCore::StartService()
{
    service = std::thread(
        [this]
        {
            while (!stopService)
            {
                std::this_thread::sleep_for(kServicePeriod);
                CAlScope scope(*this);
                ServiceLocked();
            }
        });
}

void SDeviceCore::ServiceLocked()
{
    // A notification may make its owner release the buffer: walk a copy.
    std::vector<SBufferState*> playing;
    for (SBufferState* state : buffers)
        if (state->playing) playing.push_back(state);
    for (SBufferState* state : playing)
    {
        if (std::find(buffers.begin(), buffers.end(), state) == buffers.end()) continue;
        if (state->stream)
            ServiceStream(*this, *state);
        else
            ReclaimIfEnded(*this, *state);
    }
    DeleteRetiredBuffers(*this);
}

} // namespace detail

std::uint32_t Unknown::AddRef()
{
    return ++m_nRefs;
}

std::uint32_t Unknown::Release()
{
    const std::uint32_t n = --m_nRefs;
    if (n == 0) delete this;
    return n;
}

float VolumeToGain(std::int32_t hundredths)
{
    if (hundredths <= DSBVOLUME_MIN) return 0.0f;
    if (hundredths >= DSBVOLUME_MAX) return 1.0f;
    return std::pow(10.0f, static_cast<float>(hundredths) / 2000.0f);
}

HResult DirectSoundCreate(Device** out)
{
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    auto core = std::make_shared<SDeviceCore>();
    QuietSoundLibraries();
    {
        std::lock_guard guard(AlLock());
        core->device = alcOpenDevice(nullptr);
        if (!core->device) return DSERR_NODRIVER;
        const ALCint attributes[] = {
            ALC_HRTF_SOFT, ALC_FALSE, ALC_MONO_SOURCES, kMonoVoices, ALC_STEREO_SOURCES, kStereoVoices, 0};
        core->context = alcCreateContext(core->device, attributes);
        if (!core->context) return DSERR_NODRIVER;
        ALCint rate = 0;
        alcGetIntegerv(core->device, ALC_FREQUENCY, 1, &rate);
        core->rate = static_cast<std::uint32_t>(rate > 0 ? rate : 44100);
    }
    return MakeDevice(std::move(core), out);
}

HResult CreateLoopbackDevice(std::uint32_t sampleRate, std::uint32_t channels, Device** out)
{
    if (!out || (channels != 1 && channels != 2) || sampleRate < 8000 || sampleRate > 192000)
        return DSERR_INVALIDPARAM;
    *out = nullptr;
    auto core = std::make_shared<SDeviceCore>();
    QuietSoundLibraries();
    {
        std::lock_guard guard(AlLock());
        if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return DSERR_UNSUPPORTED;
        auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        core->render =
            reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        if (!open || !core->render) return DSERR_UNSUPPORTED;
        core->device = open(nullptr);
        if (!core->device) return DSERR_NODRIVER;
        // No HRTF and no output limiter: levels must come out as the volume
        // law says, to be measured.
        const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                     channels == 1 ? ALC_MONO_SOFT : ALC_STEREO_SOFT,
                                     ALC_FORMAT_TYPE_SOFT,
                                     ALC_FLOAT_SOFT,
                                     ALC_FREQUENCY,
                                     static_cast<ALCint>(sampleRate),
                                     ALC_HRTF_SOFT,
                                     ALC_FALSE,
                                     ALC_OUTPUT_LIMITER_SOFT,
                                     ALC_FALSE,
                                     ALC_MONO_SOURCES,
                                     kMonoVoices,
                                     ALC_STEREO_SOURCES,
                                     kStereoVoices,
                                     0};
        core->context = alcCreateContext(core->device, attributes);
        if (!core->context) return DSERR_BADFORMAT;
        core->loopback = true;
        core->rate = sampleRate;
        core->channels = channels;
    }
    return MakeDevice(std::move(core), out);
}

Device::Device(std::shared_ptr<detail::SDeviceCore> core) : m_pCore(std::move(core)) {}

Device::~Device() = default;

HResult Device::SetCooperativeLevel(void*, std::uint32_t level)
{
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
    m_nLevel = level;
    CAlScope scope(*m_pCore);
    m_pCore->level = level;
    return DS_OK;
}

bool Device::IsLoopback() const
{
    return m_pCore->loopback;
}

std::uint32_t Device::GetOutputRate() const
{
    return m_pCore->rate;
}

std::uint32_t Device::GetOutputChannels() const
{
    return m_pCore->channels;
}

HResult Device::RenderLoopback(float* out, std::uint32_t frames)
{
    if (!out) return DSERR_INVALIDPARAM;
    if (!m_pCore->loopback) return DSERR_INVALIDCALL;
    SDeviceCore& core = *m_pCore;
    while (frames > 0)
    {
        CAlScope scope(core);
        // Streams are fed between slices no longer than their smallest
        // queued piece, so the mixer never runs out of what a real device's
        // service thread would have given it.
        std::uint32_t slice = kMaxRenderSlice;
        for (SBufferState* state : core.buffers)
        {
            if (!state->stream || !state->playing || !state->data) continue;
            const WaveFormat& f = state->data->format;
            const std::uint64_t chunkFrames = state->chunkBytes / f.blockAlign;
            const std::uint64_t outFrames =
                chunkFrames * core.rate / std::max<std::uint32_t>(f.samplesPerSec, 1);
            slice = std::min<std::uint32_t>(
                slice, static_cast<std::uint32_t>(std::max<std::uint64_t>(outFrames, 16)));
        }
        slice = std::min(slice, frames);
        core.ServiceLocked();
        core.render(core.device, out, static_cast<ALCsizei>(slice));
        out += static_cast<std::size_t>(slice) * core.channels;
        frames -= slice;
    }
    CAlScope scope(core);
    core.ServiceLocked();
    return DS_OK;
}

void Device::SimulateBufferLoss(bool lost)
{
    CAlScope scope(*m_pCore);
    m_pCore->lost = lost;
    if (!lost) return;
    for (SBufferState* state : m_pCore->buffers)
    {
        if (!state->playing) continue;
        ReleaseVoice(*m_pCore, *state);
        state->playing = false;
    }
}

// ---------------------------------------------------------------- Listener

Listener::Listener(Buffer* primary) : m_pPrimary(primary)
{
    m_pPrimary->AddRef();
}

Listener::~Listener()
{
    m_pPrimary->Release();
}

namespace
{

// Applies now or keeps for the commit; the deferred copy starts from the
// current values the first time something is deferred.
template <typename Change> HResult ChangeListener(SDeviceCore& core, std::uint32_t apply, Change change)
{
    if (apply != DS3D_IMMEDIATE && apply != DS3D_DEFERRED) return DSERR_INVALIDPARAM;
    CAlScope scope(core);
    if (apply == DS3D_DEFERRED)
    {
        if (!core.listenerHasDeferred) core.listenerDeferred = core.listener;
        change(core.listenerDeferred);
        core.listenerHasDeferred = true;
        return DS_OK;
    }
    change(core.listener);
    if (core.listenerHasDeferred) change(core.listenerDeferred);
    SetListenerAl(core);
    ApplyAllSources(core);
    return DS_OK;
}

} // namespace

HResult Listener::SetPosition(float x, float y, float z, std::uint32_t apply)
{
    return ChangeListener(*m_pPrimary->Core(), apply, [&](SListenerParams& l) { l.position = {x, y, z}; });
}

HResult Listener::GetPosition(Vector3* out)
{
    if (!out) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pPrimary->Core());
    *out = m_pPrimary->Core()->listener.position;
    return DS_OK;
}

HResult Listener::SetVelocity(float x, float y, float z, std::uint32_t apply)
{
    return ChangeListener(*m_pPrimary->Core(), apply, [&](SListenerParams& l) { l.velocity = {x, y, z}; });
}

HResult Listener::SetOrientation(float fx, float fy, float fz, float tx, float ty, float tz,
                                 std::uint32_t apply)
{
    return ChangeListener(*m_pPrimary->Core(), apply,
                          [&](SListenerParams& l)
                          {
                              l.front = {fx, fy, fz};
                              l.top = {tx, ty, tz};
                          });
}

HResult Listener::SetDistanceFactor(float factor, std::uint32_t apply)
{
    if (!(factor > 0.0f)) return DSERR_INVALIDPARAM;
    return ChangeListener(*m_pPrimary->Core(), apply, [&](SListenerParams& l) { l.distanceFactor = factor; });
}

HResult Listener::SetRolloffFactor(float factor, std::uint32_t apply)
{
    // DirectSound's range.
    if (!(factor >= 0.0f && factor <= 10.0f)) return DSERR_INVALIDPARAM;
    return ChangeListener(*m_pPrimary->Core(), apply, [&](SListenerParams& l) { l.rolloffFactor = factor; });
}

HResult Listener::SetDopplerFactor(float factor, std::uint32_t apply)
{
    if (!(factor >= 0.0f && factor <= 10.0f)) return DSERR_INVALIDPARAM;
    return ChangeListener(*m_pPrimary->Core(), apply, [&](SListenerParams& l) { l.dopplerFactor = factor; });
}

HResult Listener::GetRolloffFactor(float* out)
{
    if (!out) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pPrimary->Core());
    *out = m_pPrimary->Core()->listener.rolloffFactor;
    return DS_OK;
}

HResult Listener::CommitDeferredSettings()
{
    SDeviceCore& core = *m_pPrimary->Core();
    CAlScope scope(core);
    // Everything changes in the same mix.
    alDeferUpdatesSOFT();
    if (core.listenerHasDeferred)
    {
        core.listener = core.listenerDeferred;
        core.listenerHasDeferred = false;
        SetListenerAl(core);
    }
    for (SBufferState* state : core.buffers)
    {
        if (state->hasDeferred)
        {
            state->current = state->deferred;
            state->hasDeferred = false;
        }
    }
    // Every voice: the listener's move changes what is muted at its maximum
    // distance, and the roll-off factor is the listener's.
    ApplyAllSources(core);
    alProcessUpdatesSOFT();
    return DS_OK;
}

} // namespace plat::ds
