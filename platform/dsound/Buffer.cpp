// Sound buffers: static and streaming secondary buffers, the primary
// buffer, their 3-D and notification interfaces, and the voices they borrow
// from the device while they play.

#include "platform/dsound/DSoundCore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace plat::ds
{

using namespace detail;

namespace
{

// Pieces of a stream queued ahead of the play cursor.
constexpr std::size_t kStreamDepth = 4;
constexpr std::uint32_t kMaxChunkFrames = 2048;
constexpr std::uint32_t kMinChunkFrames = 32;

ALenum AlFormatOf(const WaveFormat& f)
{
    if (f.channels == 1) return f.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    return f.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

bool ValidPcm(const WaveFormat& f)
{
    return f.formatTag == WAVE_FORMAT_PCM && (f.channels == 1 || f.channels == 2) &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           f.blockAlign == f.channels * f.bitsPerSample / 8 && f.samplesPerSec >= DSBFREQUENCY_MIN &&
           f.samplesPerSec <= DSBFREQUENCY_MAX;
}

float Length(const Vector3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

ALuint TakeVoice(SDeviceCore& core)
{
    if (core.freeSources.empty())
    {
        alGetError();
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() == AL_NO_ERROR) return source;
        // Out of voices: take back those of one-shots that have ended.
        std::vector<SBufferState*> buffers = core.buffers;
        for (SBufferState* state : buffers)
            if (!state->stream) ReclaimIfEnded(core, *state);
        if (core.freeSources.empty()) return 0;
    }
    const ALuint source = core.freeSources.back();
    core.freeSources.pop_back();
    return source;
}

// The mixer's copy of static samples, made again after an Unlock. A copy
// that a voice still plays cannot be deleted yet; it is retired instead.
bool EnsureUploaded(SDeviceCore& core, SBufferData& data)
{
    if (data.alBuffer && data.uploaded == data.version) return true;
    if (data.alBuffer)
    {
        alGetError();
        alDeleteBuffers(1, &data.alBuffer);
        if (alGetError() != AL_NO_ERROR) core.retiredBuffers.push_back(data.alBuffer);
        data.alBuffer = 0;
    }
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) return false;
    const std::size_t usable = data.bytes.size() - data.bytes.size() % data.format.blockAlign;
    alBufferData(buffer, data.alFormat, data.bytes.data(), static_cast<ALsizei>(usable),
                 static_cast<ALsizei>(data.format.samplesPerSec));
    if (alGetError() != AL_NO_ERROR)
    {
        alDeleteBuffers(1, &buffer);
        return false;
    }
    data.alBuffer = buffer;
    data.uploaded = data.version;
    return true;
}

void FireNotes(SBufferState& state, std::uint32_t from, std::uint32_t to)
{
    if (from == to || state.notes.empty()) return;
    const std::uint32_t size = static_cast<std::uint32_t>(state.data->bytes.size());
    for (const PositionNotify& note : state.notes)
    {
        if (note.offset == DSBPN_OFFSETSTOP) continue;
        const bool passed =
            from < to ? (note.offset >= from && note.offset < to) : (note.offset >= from || note.offset < to);
        if (passed && note.offset < size) plat::SetEvent(note.event);
    }
}

void FireStopNotes(SBufferState& state)
{
    for (const PositionNotify& note : state.notes)
        if (note.offset == DSBPN_OFFSETSTOP) plat::SetEvent(note.event);
}

void FeedStream(SBufferState& state)
{
    SBufferData& data = *state.data;
    const std::uint32_t size = static_cast<std::uint32_t>(data.bytes.size());
    while (state.queue.size() < kStreamDepth && !state.feedEnded)
    {
        if (state.feedPos >= size)
        {
            if (!state.looping)
            {
                state.feedEnded = true;
                break;
            }
            state.feedPos = 0;
        }
        const std::uint32_t pos = state.feedPos;
        const std::uint32_t n = std::min(state.chunkBytes, size - pos);
        ALuint buffer = 0;
        if (!state.spare.empty())
        {
            buffer = state.spare.back();
            state.spare.pop_back();
        }
        else
        {
            alGetError();
            alGenBuffers(1, &buffer);
            if (alGetError() != AL_NO_ERROR) break;
        }
        alBufferData(buffer, data.alFormat, data.bytes.data() + pos, static_cast<ALsizei>(n),
                     static_cast<ALsizei>(data.format.samplesPerSec));
        alSourceQueueBuffers(state.source, 1, &buffer);
        state.queue.push_back({buffer, pos, n});
        state.feedPos = pos + n;
    }
}

// The play cursor of a buffer that holds a voice.
std::uint32_t VoiceCursor(SBufferState& state)
{
    const std::uint32_t size = static_cast<std::uint32_t>(state.data->bytes.size());
    ALint offset = 0;
    ALint alState = AL_STOPPED;
    alGetSourcei(state.source, AL_SOURCE_STATE, &alState);
    if (!state.stream)
    {
        if (alState == AL_STOPPED) return 0;
        alGetSourcei(state.source, AL_BYTE_OFFSET, &offset);
        return static_cast<std::uint32_t>(offset) % size;
    }
    // A stopped voice has played everything it was given.
    if (alState == AL_STOPPED || state.queue.empty()) return state.feedPos % size;
    alGetSourcei(state.source, AL_SAMPLE_OFFSET, &offset);
    const std::uint64_t cursor =
        state.queue.front().ringPos + static_cast<std::uint64_t>(offset) * state.data->format.blockAlign;
    return static_cast<std::uint32_t>(cursor % size);
}

HResult StartVoice(SDeviceCore& core, SBufferState& state)
{
    const ALuint source = TakeVoice(core);
    if (!source) return DSERR_ALLOCATED;
    state.source = source;
    if (state.stream)
    {
        state.feedPos = state.position;
        state.lastCursor = state.position;
        state.feedEnded = false;
        FeedStream(state);
    }
    else
    {
        if (!EnsureUploaded(core, *state.data))
        {
            ReleaseVoice(core, state);
            return DSERR_OUTOFMEMORY;
        }
        alSourcei(source, AL_BUFFER, static_cast<ALint>(state.data->alBuffer));
        alSourcei(source, AL_LOOPING, state.looping ? AL_TRUE : AL_FALSE);
        alSourcei(source, AL_BYTE_OFFSET, static_cast<ALint>(state.position));
    }
    ApplySourceParams(core, state);
    alSourcePlay(source);
    state.playing = true;
    return DS_OK;
}

// Applies now or keeps for the listener's commit.
template <typename Change> HResult Change3D(Buffer* buffer, std::uint32_t apply, Change change)
{
    if (apply != DS3D_IMMEDIATE && apply != DS3D_DEFERRED) return DSERR_INVALIDPARAM;
    SDeviceCore& core = *buffer->Core();
    SBufferState& state = buffer->State();
    CAlScope scope(core);
    if (apply == DS3D_DEFERRED)
    {
        if (!state.hasDeferred) state.deferred = state.current;
        change(state.deferred);
        state.hasDeferred = true;
        return DS_OK;
    }
    change(state.current);
    if (state.hasDeferred) change(state.deferred);
    if (state.source) ApplySourceParams(core, state);
    return DS_OK;
}

// What a getter reports: the last value set, deferred or not.
const S3DParams& Latest(const SBufferState& state)
{
    return state.hasDeferred ? state.deferred : state.current;
}

} // namespace

namespace detail
{

void ApplySourceParams(SDeviceCore& core, SBufferState& state)
{
    const ALuint source = state.source;
    const WaveFormat& f = state.data->format;
    float gain = VolumeToGain(state.volume);
    const float pitch =
        state.frequency ? static_cast<float>(state.frequency) / static_cast<float>(f.samplesPerSec) : 1.0f;
    const S3DParams& p = state.current;
    if ((state.flags & DSBCAPS_CTRL3D) && p.mode != DS3DMODE_DISABLE)
    {
        const bool relative = p.mode == DS3DMODE_HEADRELATIVE;
        alSourcei(source, AL_SOURCE_RELATIVE, relative ? AL_TRUE : AL_FALSE);
        alSource3f(source, AL_POSITION, p.position.x, p.position.y, -p.position.z);
        alSource3f(source, AL_VELOCITY, p.velocity.x, p.velocity.y, -p.velocity.z);
        alSourcef(source, AL_REFERENCE_DISTANCE, p.minDistance);
        alSourcef(source, AL_MAX_DISTANCE, p.maxDistance);
        alSourcef(source, AL_ROLLOFF_FACTOR, core.listener.rolloffFactor);
        if (state.flags & DSBCAPS_MUTE3DATMAXDISTANCE)
        {
            const Vector3& l = core.listener.position;
            const Vector3 d =
                relative ? p.position : Vector3{p.position.x - l.x, p.position.y - l.y, p.position.z - l.z};
            if (Length(d) > p.maxDistance) gain = 0.0f;
        }
    }
    else
    {
        // 2-D: at the listener, no attenuation, no panning.
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
        alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
        alSourcef(source, AL_REFERENCE_DISTANCE, 1.0f);
        alSourcef(source, AL_MAX_DISTANCE, 3.4e38f);
    }
    if (core.hasDirectChannels)
        alSourcei(source, AL_DIRECT_CHANNELS_SOFT, f.channels == 2 ? AL_TRUE : AL_FALSE);
    alSourcef(source, AL_GAIN, gain);
    alSourcef(source, AL_PITCH, pitch);
}

void ReleaseVoice(SDeviceCore& core, SBufferState& state)
{
    if (!state.source) return;
    alSourceStop(state.source);
    // Also takes a stream's queued pieces off the voice.
    alSourcei(state.source, AL_BUFFER, 0);
    for (const SChunk& chunk : state.queue)
        state.spare.push_back(chunk.alBuffer);
    state.queue.clear();
    core.freeSources.push_back(state.source);
    state.source = 0;
}

void ReclaimIfEnded(SDeviceCore& core, SBufferState& state)
{
    if (state.stream || !state.source) return;
    ALint alState = AL_PLAYING;
    alGetSourcei(state.source, AL_SOURCE_STATE, &alState);
    if (alState != AL_STOPPED) return;
    ReleaseVoice(core, state);
    state.playing = false;
    state.position = 0;
}

void ServiceStream(SDeviceCore& core, SBufferState& state)
{
    if (!state.source) return;
    ALint alState = AL_PLAYING;
    alGetSourcei(state.source, AL_SOURCE_STATE, &alState);
    const std::uint32_t cursor = VoiceCursor(state);
    FireNotes(state, state.lastCursor, cursor);
    state.lastCursor = cursor;
    // The notified owner may have stopped or released the buffer.
    if (!state.source) return;

    ALint processed = 0;
    alGetSourcei(state.source, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed && !state.queue.empty(); ++i)
    {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(state.source, 1, &buffer);
        state.spare.push_back(buffer);
        state.queue.pop_front();
    }
    FeedStream(state);
    if (alState != AL_STOPPED) return;
    if (!state.queue.empty())
    {
        // The mixer ran dry before the service came: go on from here.
        alSourcePlay(state.source);
        return;
    }
    ReleaseVoice(core, state);
    state.playing = false;
    state.position = 0;
    state.lastCursor = 0;
    FireStopNotes(state);
}

void DeleteRetiredBuffers(SDeviceCore& core)
{
    for (auto it = core.retiredBuffers.begin(); it != core.retiredBuffers.end();)
    {
        alGetError();
        alDeleteBuffers(1, &*it);
        if (alGetError() == AL_NO_ERROR)
            it = core.retiredBuffers.erase(it);
        else
            ++it;
    }
}

} // namespace detail

// ------------------------------------------------------------ Device side

HResult Device::CreateSoundBuffer(const BufferDesc* desc, Buffer** out)
{
    if (!desc || !out || desc->size != sizeof(BufferDesc)) return DSERR_INVALIDPARAM;
    *out = nullptr;
    SDeviceCore& core = *m_pCore;
    const std::uint32_t flags = desc->flags;
    if ((flags & DSBCAPS_LOCHARDWARE) && (flags & DSBCAPS_LOCSOFTWARE)) return DSERR_INVALIDPARAM;
    if (flags & DSBCAPS_PRIMARYBUFFER)
    {
        if (desc->bufferBytes != 0 || desc->format ||
            (flags & (DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_STATIC)))
            return DSERR_INVALIDPARAM;
        CAlScope scope(core);
        if (core.primary)
        {
            core.primary->AddRef();
            *out = core.primary;
            return DS_OK;
        }
        auto state = std::make_unique<SBufferState>();
        state->primary = true;
        state->flags = flags;
        *out = new Buffer(m_pCore, std::move(state));
        core.primary = *out;
        return DS_OK;
    }

    if (!desc->format) return DSERR_INVALIDPARAM;
    if (!ValidPcm(*desc->format)) return DSERR_BADFORMAT;
    if (desc->bufferBytes < DSBSIZE_MIN || desc->bufferBytes > DSBSIZE_MAX ||
        desc->bufferBytes < desc->format->blockAlign)
        return DSERR_INVALIDPARAM;
    // 3-D sound comes from one point: only mono buffers get it.
    if ((flags & DSBCAPS_CTRL3D) && (desc->format->channels != 1 || (flags & DSBCAPS_CTRLPAN)))
        return DSERR_INVALIDPARAM;
    try
    {
        auto data = std::make_shared<SBufferData>();
        data->format = *desc->format;
        data->format.extraSize = 0;
        data->alFormat = AlFormatOf(data->format);
        // Silence: 0x80 is the zero of 8-bit samples.
        data->bytes.assign(desc->bufferBytes, desc->format->bitsPerSample == 8 ? 0x80 : 0x00);
        auto state = std::make_unique<SBufferState>();
        state->flags = flags;
        state->stream = (flags & DSBCAPS_CTRLPOSITIONNOTIFY) != 0;
        state->data = std::move(data);
        const std::uint32_t frames = desc->bufferBytes / desc->format->blockAlign;
        state->chunkBytes =
            std::clamp(frames / 16, kMinChunkFrames, kMaxChunkFrames) * desc->format->blockAlign;
        state->chunkBytes =
            std::min(state->chunkBytes, desc->bufferBytes - desc->bufferBytes % desc->format->blockAlign);
        *out = new Buffer(m_pCore, std::move(state));
        return DS_OK;
    }
    catch (const std::bad_alloc&)
    {
        return DSERR_OUTOFMEMORY;
    }
}

HResult Device::DuplicateSoundBuffer(Buffer* original, Buffer** out)
{
    if (!original || !out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    SBufferState& from = original->State();
    if (from.primary || original->Core() != m_pCore) return DSERR_INVALIDCALL;
    try
    {
        auto state = std::make_unique<SBufferState>();
        {
            CAlScope scope(*m_pCore);
            state->flags = from.flags;
            state->stream = from.stream;
            state->data = from.data;
            state->volume = from.volume;
            state->frequency = from.frequency;
            state->current = from.current;
            state->chunkBytes = from.chunkBytes;
        }
        *out = new Buffer(m_pCore, std::move(state));
        return DS_OK;
    }
    catch (const std::bad_alloc&)
    {
        return DSERR_OUTOFMEMORY;
    }
}

// ------------------------------------------------------------------ Buffer

Buffer::Buffer(std::shared_ptr<SDeviceCore> core, std::unique_ptr<SBufferState> state)
    : m_pCore(std::move(core)), m_pState(std::move(state))
{
    m_pState->self = this;
    if (!m_pState->primary)
    {
        CAlScope scope(*m_pCore);
        m_pCore->buffers.push_back(m_pState.get());
    }
}

Buffer::~Buffer()
{
    SDeviceCore& core = *m_pCore;
    CAlScope scope(core);
    SBufferState& state = *m_pState;
    if (state.primary)
    {
        if (core.primary == this) core.primary = nullptr;
        return;
    }
    ReleaseVoice(core, state);
    if (!state.spare.empty()) alDeleteBuffers(static_cast<ALsizei>(state.spare.size()), state.spare.data());
    core.buffers.erase(std::remove(core.buffers.begin(), core.buffers.end(), &state), core.buffers.end());
    if (state.data.use_count() == 1 && state.data->alBuffer)
    {
        alGetError();
        alDeleteBuffers(1, &state.data->alBuffer);
        if (alGetError() != AL_NO_ERROR) core.retiredBuffers.push_back(state.data->alBuffer);
    }
}

HResult Buffer::GetCurrentPosition(std::uint32_t* play, std::uint32_t* write)
{
    CAlScope scope(*m_pCore);
    SBufferState& state = *m_pState;
    std::uint32_t p = 0;
    std::uint32_t w = 0;
    if (!state.primary)
    {
        if (!state.stream) ReclaimIfEnded(*m_pCore, state);
        const std::uint32_t size = static_cast<std::uint32_t>(state.data->bytes.size());
        p = state.source ? VoiceCursor(state) : state.position;
        if (state.stream)
            w = state.source ? state.feedPos % size : p;
        else
            w = state.source ? (p + state.data->format.avgBytesPerSec / 100) % size : p;
        w -= w % state.data->format.blockAlign;
    }
    if (play) *play = p;
    if (write) *write = w;
    return DS_OK;
}

HResult Buffer::GetFormat(WaveFormat* out, std::uint32_t size, std::uint32_t* written)
{
    if (!out)
    {
        if (!written) return DSERR_INVALIDPARAM;
        *written = sizeof(WaveFormat);
        return DS_OK;
    }
    if (size < sizeof(WaveFormat)) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pCore);
    *out = m_pState->primary ? m_pCore->primaryFormat : m_pState->data->format;
    if (written) *written = sizeof(WaveFormat);
    return DS_OK;
}

HResult Buffer::GetVolume(std::int32_t* volume)
{
    if (!volume) return DSERR_INVALIDPARAM;
    if (!(m_pState->flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    CAlScope scope(*m_pCore);
    *volume = m_pState->primary ? m_pCore->primaryVolume : m_pState->volume;
    return DS_OK;
}

HResult Buffer::GetFrequency(std::uint32_t* frequency)
{
    if (!frequency) return DSERR_INVALIDPARAM;
    if (m_pState->primary || !(m_pState->flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    CAlScope scope(*m_pCore);
    *frequency = m_pState->frequency ? m_pState->frequency : m_pState->data->format.samplesPerSec;
    return DS_OK;
}

HResult Buffer::GetStatus(std::uint32_t* status)
{
    if (!status) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pCore);
    SBufferState& state = *m_pState;
    *status = 0;
    if (state.primary) return DS_OK;
    if (m_pCore->lost)
    {
        *status = DSBSTATUS_BUFFERLOST;
        return DS_OK;
    }
    ReclaimIfEnded(*m_pCore, state);
    if (state.playing)
        *status = DSBSTATUS_PLAYING | DSBSTATUS_LOCSOFTWARE | (state.looping ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

HResult Buffer::Lock(std::uint32_t offset, std::uint32_t bytes, void** part1, std::uint32_t* bytes1,
                     void** part2, std::uint32_t* bytes2, std::uint32_t flags)
{
    if (!part1 || !bytes1) return DSERR_INVALIDPARAM;
    *part1 = nullptr;
    *bytes1 = 0;
    if (part2) *part2 = nullptr;
    if (bytes2) *bytes2 = 0;
    if (m_pState->primary) return DSERR_PRIOLEVELNEEDED;
    CAlScope scope(*m_pCore);
    if (m_pCore->lost) return DSERR_BUFFERLOST;
    SBufferState& state = *m_pState;
    const std::uint32_t size = static_cast<std::uint32_t>(state.data->bytes.size());
    if (flags & DSBLOCK_ENTIREBUFFER)
    {
        offset = 0;
        bytes = size;
    }
    else if (flags & DSBLOCK_FROMWRITECURSOR)
    {
        GetCurrentPosition(nullptr, &offset);
    }
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    auto region = std::make_unique<SLockedRegion>();
    region->offset = offset;
    region->bytes1 = std::min(bytes, size - offset);
    if (part2 && bytes2) region->bytes2 = bytes - region->bytes1;
    // The copy holds what the buffer holds, so a caller that reads or
    // writes only part of the region keeps the rest.
    const std::uint8_t* base = state.data->bytes.data();
    region->staging.assign(base + offset, base + offset + region->bytes1);
    region->staging.insert(region->staging.end(), base, base + region->bytes2);
    *part1 = region->staging.data();
    *bytes1 = region->bytes1;
    if (region->bytes2)
    {
        *part2 = region->staging.data() + region->bytes1;
        *bytes2 = region->bytes2;
    }
    state.locked.push_back(std::move(region));
    return DS_OK;
}

HResult Buffer::Unlock(void* part1, std::uint32_t bytes1, void* part2, std::uint32_t bytes2)
{
    if (m_pState->primary) return DSERR_INVALIDCALL;
    if (!part1) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pCore);
    SBufferState& state = *m_pState;
    auto it = std::find_if(state.locked.begin(), state.locked.end(),
                           [&](const auto& region) { return region->staging.data() == part1; });
    if (it == state.locked.end()) return DSERR_INVALIDPARAM;
    SLockedRegion& region = **it;
    // The caller may give back less than it locked (what it wrote).
    const bool part2Ok = !part2 ? bytes2 == 0
                                : region.bytes2 && part2 == region.staging.data() + region.bytes1 &&
                                      bytes2 <= region.bytes2;
    if (bytes1 > region.bytes1 || !part2Ok) return DSERR_INVALIDPARAM;
    std::vector<std::uint8_t>& bytes = state.data->bytes;
    std::copy_n(region.staging.data(), bytes1, bytes.data() + region.offset);
    if (part2) std::copy_n(region.staging.data() + region.bytes1, bytes2, bytes.data());
    ++state.data->version;
    state.locked.erase(it);
    return DS_OK;
}

HResult Buffer::Play(std::uint32_t reserved, std::uint32_t, std::uint32_t flags)
{
    if (reserved != 0) return DSERR_INVALIDPARAM;
    if (m_pState->primary) return DS_OK;
    SDeviceCore& core = *m_pCore;
    CAlScope scope(core);
    if (core.lost) return DSERR_BUFFERLOST;
    SBufferState& state = *m_pState;
    const bool looping = (flags & DSBPLAY_LOOPING) != 0;
    ReclaimIfEnded(core, state);
    if (state.playing)
    {
        // Play on a playing buffer only changes its looping.
        state.looping = looping;
        if (!state.stream)
            alSourcei(state.source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
        else if (looping)
            state.feedEnded = false;
        return DS_OK;
    }
    state.looping = looping;
    return StartVoice(core, state);
}

HResult Buffer::Stop()
{
    if (m_pState->primary) return DS_OK;
    SDeviceCore& core = *m_pCore;
    CAlScope scope(core);
    SBufferState& state = *m_pState;
    if (!state.playing) return DS_OK;
    // A one-shot that has just ended is stopped already, at 0.
    ReclaimIfEnded(core, state);
    if (state.playing)
    {
        state.position = VoiceCursor(state);
        state.position -= state.position % state.data->format.blockAlign;
        ReleaseVoice(core, state);
        state.playing = false;
    }
    if (state.stream) FireStopNotes(state);
    return DS_OK;
}

HResult Buffer::SetCurrentPosition(std::uint32_t offset)
{
    if (m_pState->primary) return DSERR_INVALIDCALL;
    SDeviceCore& core = *m_pCore;
    CAlScope scope(core);
    SBufferState& state = *m_pState;
    const std::uint32_t size = static_cast<std::uint32_t>(state.data->bytes.size());
    if (offset >= size) return DSERR_INVALIDPARAM;
    offset -= offset % state.data->format.blockAlign;
    ReclaimIfEnded(core, state);
    state.position = offset;
    if (!state.playing) return DS_OK;
    if (!state.stream)
    {
        alSourcei(state.source, AL_BYTE_OFFSET, static_cast<ALint>(offset));
        return DS_OK;
    }
    // A stream starts feeding again from the new place.
    ReleaseVoice(core, state);
    state.playing = false;
    return StartVoice(core, state);
}

HResult Buffer::SetFormat(const WaveFormat* format)
{
    if (!m_pState->primary) return DSERR_INVALIDCALL;
    if (!format) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pCore);
    if (m_pCore->level < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
    if (!ValidPcm(*format)) return DSERR_BADFORMAT;
    // Kept and reported; the mixer converts every buffer to the output's
    // own format, whatever the primary says.
    m_pCore->primaryFormat = *format;
    return DS_OK;
}

HResult Buffer::SetVolume(std::int32_t volume)
{
    if (!(m_pState->flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pCore);
    if (m_pState->primary)
    {
        m_pCore->primaryVolume = volume;
        alListenerf(AL_GAIN, VolumeToGain(volume));
        return DS_OK;
    }
    m_pState->volume = volume;
    if (m_pState->source) ApplySourceParams(*m_pCore, *m_pState);
    return DS_OK;
}

HResult Buffer::SetFrequency(std::uint32_t frequency)
{
    if (m_pState->primary || !(m_pState->flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
        return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pCore);
    m_pState->frequency = frequency;
    if (m_pState->source) ApplySourceParams(*m_pCore, *m_pState);
    return DS_OK;
}

HResult Buffer::Restore()
{
    CAlScope scope(*m_pCore);
    return m_pCore->lost ? DSERR_BUFFERLOST : DS_OK;
}

HResult Buffer::QueryBuffer3D(Buffer3D** out)
{
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (m_pState->primary || !(m_pState->flags & DSBCAPS_CTRL3D)) return DSERR_NOINTERFACE;
    *out = new Buffer3D(this);
    return DS_OK;
}

HResult Buffer::QueryListener(Listener** out)
{
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!m_pState->primary || !(m_pState->flags & DSBCAPS_CTRL3D)) return DSERR_NOINTERFACE;
    *out = new Listener(this);
    return DS_OK;
}

HResult Buffer::QueryNotify(Notify** out)
{
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (m_pState->primary || !(m_pState->flags & DSBCAPS_CTRLPOSITIONNOTIFY)) return DSERR_NOINTERFACE;
    *out = new Notify(this);
    return DS_OK;
}

// ---------------------------------------------------------------- Buffer3D

Buffer3D::Buffer3D(Buffer* buffer) : m_pBuffer(buffer)
{
    m_pBuffer->AddRef();
}

Buffer3D::~Buffer3D()
{
    m_pBuffer->Release();
}

HResult Buffer3D::SetPosition(float x, float y, float z, std::uint32_t apply)
{
    return Change3D(m_pBuffer, apply, [&](S3DParams& p) { p.position = {x, y, z}; });
}

HResult Buffer3D::SetVelocity(float x, float y, float z, std::uint32_t apply)
{
    return Change3D(m_pBuffer, apply, [&](S3DParams& p) { p.velocity = {x, y, z}; });
}

HResult Buffer3D::SetMinDistance(float distance, std::uint32_t apply)
{
    if (!(distance >= 0.0f)) return DSERR_INVALIDPARAM;
    return Change3D(m_pBuffer, apply, [&](S3DParams& p) { p.minDistance = distance; });
}

HResult Buffer3D::SetMaxDistance(float distance, std::uint32_t apply)
{
    if (!(distance >= 0.0f)) return DSERR_INVALIDPARAM;
    return Change3D(m_pBuffer, apply, [&](S3DParams& p) { p.maxDistance = distance; });
}

HResult Buffer3D::SetMode(std::uint32_t mode, std::uint32_t apply)
{
    if (mode > DS3DMODE_DISABLE) return DSERR_INVALIDPARAM;
    return Change3D(m_pBuffer, apply, [&](S3DParams& p) { p.mode = mode; });
}

HResult Buffer3D::GetPosition(Vector3* out)
{
    if (!out) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pBuffer->Core());
    *out = Latest(m_pBuffer->State()).position;
    return DS_OK;
}

HResult Buffer3D::GetVelocity(Vector3* out)
{
    if (!out) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pBuffer->Core());
    *out = Latest(m_pBuffer->State()).velocity;
    return DS_OK;
}

HResult Buffer3D::GetMinDistance(float* out)
{
    if (!out) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pBuffer->Core());
    *out = Latest(m_pBuffer->State()).minDistance;
    return DS_OK;
}

HResult Buffer3D::GetMaxDistance(float* out)
{
    if (!out) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pBuffer->Core());
    *out = Latest(m_pBuffer->State()).maxDistance;
    return DS_OK;
}

HResult Buffer3D::GetMode(std::uint32_t* out)
{
    if (!out) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pBuffer->Core());
    *out = Latest(m_pBuffer->State()).mode;
    return DS_OK;
}

// ------------------------------------------------------------------ Notify

Notify::Notify(Buffer* buffer) : m_pBuffer(buffer)
{
    m_pBuffer->AddRef();
}

Notify::~Notify()
{
    m_pBuffer->Release();
}

HResult Notify::SetNotificationPositions(std::uint32_t count, const PositionNotify* positions)
{
    if (count > 0 && !positions) return DSERR_INVALIDPARAM;
    CAlScope scope(*m_pBuffer->Core());
    SBufferState& state = m_pBuffer->State();
    if (state.playing) return DSERR_INVALIDCALL;
    const std::uint32_t size = static_cast<std::uint32_t>(state.data->bytes.size());
    for (std::uint32_t i = 0; i < count; ++i)
        if (!positions[i].event || (positions[i].offset >= size && positions[i].offset != DSBPN_OFFSETSTOP))
            return DSERR_INVALIDPARAM;
    try
    {
        state.notes.assign(positions, positions + count);
    }
    catch (const std::bad_alloc&)
    {
        return DSERR_OUTOFMEMORY;
    }
    return DS_OK;
}

} // namespace plat::ds
