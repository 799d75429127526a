// Sound sources: numbered playing instances of sound-table entries, bound
// once per frame to free sound objects of their entry's container, faded
// over 500 ms, and ranked so that only the loudest 3-D sources sound.

#include "sound/SoundManager.h"

#include "foundation/ErrorLog.h"
#include "sound/SoundContainer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <utility>

namespace
{

bool Vector3NotEqual(const float* a, const float* b)
{
    return a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
}

const float kZero[3] = {0.0f, 0.0f, 0.0f};

} // namespace

bool CSoundManager2::Valid(std::int32_t id) const
{
    return m_Sources.IsUsed(id) && m_Sources[id].entry != -1;
}

bool CSoundManager2::Check(std::int32_t id)
{
    if (Valid(id)) return true;
    RemoveActive(id);
    return false;
}

void CSoundManager2::RemoveActive(std::int32_t id)
{
    const std::int32_t at = m_Active.Find(static_cast<std::uint32_t>(id));
    if (at >= 0) m_Active.RemoveAt(static_cast<std::uint32_t>(at));
}

void CSoundManager2::SetObject(SSoundSource& source, ISoundObject* object)
{
    if (source.object && source.entry >= 0 && m_Bound) --m_Bound[static_cast<std::size_t>(source.entry)];
    source.object = object;
    if (object && source.entry >= 0 && m_Bound) ++m_Bound[static_cast<std::size_t>(source.entry)];
}

std::int32_t CSoundManager2::AddSndSrc(std::int32_t index, const float* position)
{
    XTRACE("CSoundManager2::AddSndSrc");
    if (!Active() || index < 0) return -1;
    std::lock_guard lock(m_SourceLock);
    if (static_cast<std::size_t>(index) >= m_Table.size()) return -1;
    std::int32_t picked = index;
    RandomSynonym(index, &picked);
    if (m_Sources.GetCount() >= m_Sources.GetCapacity() || GetState(picked) == kFailed) return -1;
    const SSoundInfo& e = m_Table[static_cast<std::size_t>(picked)];
    SSoundSource record;
    record.entry = picked;
    record.is3D = e.is3D;
    record.minDistance = e.minDistance;
    record.maxDistance = e.minDistance * 10.0f;
    std::memcpy(record.position, position ? position : kZero, sizeof(record.position));
    return m_Sources.Alloc(record);
}

std::int32_t CSoundManager2::AddSndSrc(const char* name, const float* position)
{
    return AddSndSrc(Lookup(name), position);
}

void CSoundManager2::Play2DById(std::int32_t index, bool loop)
{
    XTRACE("CSoundManager2::Play2DById");
    std::lock_guard lock(m_SourceLock);
    const std::int32_t id = AddSndSrc(index, kZero);
    if (id == -1) return;
    SSoundSource& s = m_Sources[id];
    s.loop = loop;
    s.autoRelease = true;
    s.playRequested = true;
    s.level = kFadeLength;
    if (s.is3D)
    {
        s.is3D = false;
        SetModeSndSrc(id, 2);
    }
    m_Active.Add(static_cast<std::uint32_t>(id));
}

void CSoundManager2::PlaySndSrc(std::int32_t id, bool loop, bool autoRelease, bool fadeIn)
{
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(id)) return;
    SSoundSource& s = m_Sources[id];
    s.loop = loop;
    s.autoRelease = autoRelease;
    s.playRequested = true;
    if (!fadeIn && s.level == 0) s.level = kFadeLength;
    if (m_Active.Find(static_cast<std::uint32_t>(id)) < 0) m_Active.Add(static_cast<std::uint32_t>(id));
}

void CSoundManager2::StopSndSrc(std::int32_t id, bool fadeOut)
{
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(id)) return;
    SSoundSource& s = m_Sources[id];
    s.playRequested = false;
    if (!fadeOut) s.level = 0;
}

void CSoundManager2::DeleteSndSrc(std::int32_t* id, bool fadeOut)
{
    XTRACE("CSoundManager2::DeleteSndSrc");
    if (!id) return;
    const std::int32_t which = std::exchange(*id, -1);
    if (!m_bReady) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(which)) return;
    SSoundSource& s = m_Sources[which];
    // At volume 0 the update is frozen and would never free it: the caller
    // has let go of the id, so it goes now.
    if (m_fMasterVolume.load() == 0.0f)
    {
        FreeSndSrc(which, true);
        RemoveActive(which);
        return;
    }
    if (!fadeOut && s.level == kFadeLength) s.level = 0;
    if (s.state == kSourceStopped)
    {
        FreeSndSrc(which, true);
        RemoveActive(which);
        return;
    }
    s.autoRelease = true;
    s.playRequested = false;
}

void CSoundManager2::FreeSndSrc(std::int32_t id, bool release)
{
    XTRACE("CSoundManager2::FreeSndSrc");
    std::lock_guard lock(m_SourceLock);
    if (!Valid(id)) return;
    SSoundSource& s = m_Sources[id];
    ISoundObject* object = s.object;
    const std::int32_t entry = s.entry;
    SetObject(s, nullptr);
    if (release)
    {
        s = SSoundSource();
        m_Sources.Free(id);
    }
    if (object)
    {
        if (CSoundContainer2* container = Container(entry, false))
            container->FreeSoundObject(object);
        else
            object->Stop(); // its container is on its way out
    }
    if (release) return;
    s.playRequested = false;
    s.state = kSourceStopped;
    const SSoundInfo& e = m_Table[static_cast<std::size_t>(entry)];
    s.dirty = kDirtyPosition;
    if (Vector3NotEqual(s.velocity, kZero)) s.dirty |= kDirtyVelocity;
    if (s.volume != 1.0f) s.dirty |= kDirtyVolume;
    if (s.frequency != -1.0f) s.dirty |= kDirtyFrequency;
    if (s.minDistance != e.minDistance || s.maxDistance != e.minDistance * 10.0f) s.dirty |= kDirtyDistance;
    if (s.mode != 0) s.dirty |= kDirtyMode;
}

bool CSoundManager2::IsPlayingSndSrc(std::int32_t id)
{
    if (!Active()) return false;
    std::lock_guard lock(m_SourceLock);
    return Check(id) && m_Sources[id].state != kSourceStopped;
}

bool CSoundManager2::IsActiveSndSrc(std::int32_t id)
{
    if (!Active()) return false;
    std::lock_guard lock(m_SourceLock);
    return Check(id) && m_Sources[id].playRequested;
}

void CSoundManager2::SetVolumeSndSrc(std::int32_t id, float volume)
{
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(id) || m_Sources[id].volume == volume) return;
    m_Sources[id].volume = volume;
    m_Sources[id].dirty |= kDirtyVolume;
}

void CSoundManager2::SetFrequenceSndSrc(std::int32_t id, float frequency)
{
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(id) || m_Sources[id].frequency == frequency) return;
    m_Sources[id].frequency = frequency;
    m_Sources[id].dirty |= kDirtyFrequency;
}

void CSoundManager2::SetPosSndSrc(std::int32_t id, const float* position)
{
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(id) || !Vector3NotEqual(m_Sources[id].position, position)) return;
    std::memcpy(m_Sources[id].position, position, sizeof(m_Sources[id].position));
    m_Sources[id].dirty |= kDirtyPosition;
}

void CSoundManager2::SetSpeedSndSrc(std::int32_t id, const float* velocity)
{
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(id) || !Vector3NotEqual(m_Sources[id].velocity, velocity)) return;
    std::memcpy(m_Sources[id].velocity, velocity, sizeof(m_Sources[id].velocity));
    m_Sources[id].dirty |= kDirtyVelocity;
}

void CSoundManager2::KeepLoopSndSrc(std::int32_t* id, std::int32_t index, const float* position,
                                    const float* velocity)
{
    if (*id == -1)
    {
        *id = AddSndSrc(index, position);
        if (*id == -1) return;
        PlaySndSrc(*id, true, false, false);
    }
    SetPosSndSrc(*id, position);
    if (velocity) SetSpeedSndSrc(*id, velocity);
}

void CSoundManager2::SetMaxDistSndSrc(std::int32_t id, float minDistance, float maxDistance)
{
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(id)) return;
    SSoundSource& s = m_Sources[id];
    if (s.minDistance == minDistance && s.maxDistance == maxDistance) return;
    s.minDistance = minDistance;
    s.maxDistance = maxDistance;
    s.dirty |= kDirtyDistance;
}

void CSoundManager2::SetModeSndSrc(std::int32_t id, std::int32_t mode)
{
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (!Check(id) || m_Sources[id].mode == mode) return;
    m_Sources[id].mode = mode;
    m_Sources[id].dirty |= kDirtyMode;
}

void CSoundManager2::ChangeParamSndSrc(std::int32_t id)
{
    XTRACE("CSoundManager2::ChangeParamSndSrc");
    std::lock_guard lock(m_SourceLock);
    if (!Check(id)) return;
    SSoundSource& s = m_Sources[id];
    if (!s.object || s.dirty == 0) return;
    if (s.dirty & kDirtyFrequency) s.object->SetFrequency(s.frequency);
    if (s.dirty & kDirtyDistance) s.object->SetDistance(s.minDistance, s.maxDistance);
    if (s.dirty & kDirtyPosition) s.object->SetPosition(s.position);
    if (s.dirty & kDirtyVelocity) s.object->SetSpeed(s.velocity);
    // During a fade the fade step sets the volume.
    if ((s.dirty & kDirtyVolume) && (s.state == kSourceStopped || s.state == kSourcePlaying))
        s.object->SetVolume(s.volume);
    if (s.dirty & kDirtyMode) s.object->SetMode(s.mode);
    s.dirty = 0;
}

void CSoundManager2::ProcessingSndSrc(std::int32_t id, bool stopping)
{
    XTRACE("CSoundManager2::ProcessingSndSrc");
    std::lock_guard lock(m_SourceLock);
    if (!Check(id)) return;
    SSoundSource& s = m_Sources[id];
    if (!s.object) return;
    const std::uint32_t dt = m_nFrameTime;
    auto fadeVolume = [&s]
    { s.object->SetVolume(s.volume * static_cast<float>(s.level) / static_cast<float>(kFadeLength)); };
    switch (s.state)
    {
    case kSourceStopped:
        if (stopping) return;
        s.object->SetVolume(s.is3D ? 0.0f : s.volume);
        if (s.object->Play(s.loop))
        {
            if (!s.is3D)
            {
                s.state = kSourcePlaying;
                return;
            }
            if (s.level == kFadeLength)
            {
                s.state = kSourcePlaying;
            }
            else
            {
                s.level = std::min(dt, kFadeLength);
                s.state = kSourceFadingIn;
            }
        }
        fadeVolume();
        return;
    default:
        break;
    }
    if (stopping)
    {
        s.level = s.level > dt ? s.level - dt : 0;
        if (s.level > 0)
        {
            s.state = kSourceFadingOut;
            fadeVolume();
            return;
        }
        s.state = kSourceStopped;
        if (!s.playRequested) s.object->Stop();
        return;
    }
    if (s.state == kSourceFadingIn)
    {
        s.level = std::min(s.level + dt, kFadeLength);
        if (s.level == kFadeLength)
        {
            s.state = kSourcePlaying;
            s.object->SetVolume(s.volume);
        }
        else
        {
            fadeVolume();
        }
    }
    else if (s.state == kSourceFadingOut)
    {
        s.level = std::min(s.level + dt, kFadeLength);
        if (s.level > 0) s.state = kSourceFadingIn;
        fadeVolume();
    }
}

void CSoundManager2::Bind(std::int32_t id)
{
    SSoundSource& s = m_Sources[id];
    switch (GetState(s.entry))
    {
    case kLoaded:
        if (CSoundContainer2* container = Container(s.entry, true))
        {
            if (ISoundObject* object = container->GetSoundObject()) SetObject(s, object);
        }
        break;
    case kNotLoaded:
        Request(s.entry, 1);
        break;
    default:
        break; // queued or failed
    }
}

void CSoundManager2::PlayRanked(std::int32_t id)
{
    if (!Valid(id)) return;
    if (!m_Sources[id].object) Bind(id);
    if (!m_Sources[id].object) return;
    ChangeParamSndSrc(id);
    if (m_Sources[id].state != kSourcePlaying) ProcessingSndSrc(id, false);
}

bool CSoundManager2::ApplySettings()
{
    XTRACE("CSoundManager2::ApplySettings");
    if (!Active()) return false;
    std::lock_guard lock(m_SourceLock);
    const std::uint32_t now = m_pfnTick();
    if (m_nLastTick != 0) m_nFrameTime = now - m_nLastTick;
    m_nLastTick = now;

    CU32Array pending(16, 8);
    std::vector<std::pair<std::int32_t, float>> candidates;
    candidates.reserve(m_Active.GetCount());
    const float* listener = GetListenerPosition();

    for (std::uint32_t i = 0; i < m_Active.GetCount();)
    {
        const std::int32_t id = static_cast<std::int32_t>(m_Active[i]);
        if (!Valid(id))
        {
            m_Active.RemoveAt(i);
            continue;
        }
        SSoundSource& s = m_Sources[id];
        if (s.playRequested)
        {
            const bool sounding = s.state != kSourceStopped;
            if (sounding && !s.loop && s.object && !s.object->IsPlaying())
            {
                // A one-shot that has ended.
                FreeSndSrc(id, s.autoRelease);
                m_Active.RemoveAt(i);
                continue;
            }
            if (!s.is3D || s.mode != 0)
            {
                pending.Add(static_cast<std::uint32_t>(id));
            }
            else
            {
                const float dx = s.position[0] - listener[0];
                const float dy = s.position[1] - listener[1];
                const float dz = s.position[2] - listener[2];
                const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
                // At the listener's own place a source is as loud as it gets.
                const float audibility =
                    d < s.maxDistance ? s.volume * s.minDistance / std::max(d, 1.0e-6f) : 0.0f;
                if (audibility > 0.01f)
                {
                    candidates.emplace_back(id, audibility);
                }
                else if (s.object && sounding)
                {
                    // Left behind: silenced now; the owner must ask again.
                    s.object->Stop();
                    s.state = kSourceStopped;
                    FreeSndSrc(id, false);
                }
            }
        }
        else
        {
            if (s.object)
            {
                ChangeParamSndSrc(id);
                ProcessingSndSrc(id, true);
            }
            if (m_Sources[id].state == kSourceStopped)
            {
                FreeSndSrc(id, m_Sources[id].autoRelease);
                m_Active.RemoveAt(i);
                continue;
            }
        }
        ++i;
    }

    for (std::uint32_t i = 0; i < pending.GetCount(); ++i)
        PlayRanked(static_cast<std::int32_t>(pending[i]));

    const std::size_t limit = static_cast<std::size_t>(m_nSourceLimit);
    if (candidates.size() > limit)
    {
        // Loudest first; equal audibilities keep their order.
        for (std::size_t pass = 0; pass + 1 < candidates.size(); ++pass)
            for (std::size_t j = 0; j + 1 < candidates.size() - pass; ++j)
                if (candidates[j].second < candidates[j + 1].second)
                    std::swap(candidates[j], candidates[j + 1]);
    }
    const std::size_t sounding = std::min(limit, candidates.size());
    for (std::size_t i = 0; i < sounding; ++i)
        PlayRanked(candidates[i].first);
    for (std::size_t i = sounding; i < candidates.size(); ++i)
    {
        const std::int32_t id = candidates[i].first;
        if (!Valid(id)) continue;
        SSoundSource& s = m_Sources[id];
        if (s.state != kSourceStopped)
        {
            // Ranked out: it fades; still requested, it runs on silent.
            ChangeParamSndSrc(id);
            ProcessingSndSrc(id, true);
        }
        else if (s.loop)
        {
            if (s.level == kFadeLength) s.level = 0;
        }
        else
        {
            if (s.autoRelease) FreeSndSrc(id, true);
            RemoveActive(id);
        }
    }
    return CSoundBase::ApplySettings();
}

std::int32_t CSoundManager2::GetActiveCount()
{
    std::lock_guard lock(m_SourceLock);
    return static_cast<std::int32_t>(m_Active.GetCount());
}

SSoundSource CSoundManager2::GetSource(std::int32_t id)
{
    std::lock_guard lock(m_SourceLock);
    return Valid(id) ? m_Sources[id] : SSoundSource();
}
