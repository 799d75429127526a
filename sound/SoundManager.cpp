// The sound manager: device set-up, the sound table, the container loading
// callbacks and the operations by table entry. The source operations and
// the per-frame update are in SoundSources.cpp.

#include "sound/SoundManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "platform/Time.h"
#include "sound/SoundContainer.h"

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <mutex>

CSoundManager2* g_pSoundManager = nullptr;

namespace
{

// Keys that long leave no room for ".NN" in a 31-character name.
constexpr std::size_t kMaxSynonymKey = 29;
constexpr std::int32_t kMaxSynonyms = 99;

SSoundInfo EmptyEntry()
{
    SSoundInfo entry;
    std::memset(&entry, 0, sizeof(entry));
    return entry;
}

SSoundInfo DefaultEntry()
{
    SSoundInfo entry = EmptyEntry();
    entry.volume = 1.0f;
    return entry;
}

} // namespace

CSoundManager2::CSoundManager2()
{
    m_Sources.Init(kSourceIds);
    m_Active.Make(16, 8);
}

CSoundManager2::~CSoundManager2()
{
    XTRACE("CSoundManager2::~CSoundManager2");
    Done();
}

CGuidKey CSoundManager2::GetGUID() const
{
    return CSoundBase::GetGUID();
}

bool CSoundManager2::InitSnd(const SSoundInitParams* params)
{
    XTRACE("CSoundManager2::InitSnd");
    m_bReady = CSoundBase::Init(params);
    return m_bReady;
}

bool CSoundManager2::InitSnd(plat::ds::Device* device, plat::ds::Buffer* primary)
{
    XTRACE("CSoundManager2::InitSnd");
    m_bReady = CSoundBase::InitFromDevice(device, primary);
    return m_bReady;
}

void CSoundManager2::InitMngr(const char* section)
{
    XTRACE("CSoundManager2::InitMngr");
    // No load may run while the table is made again.
    CMTResourceManager::Done();
    DoneSources();
    CMTResourceManager::Init(section, 1);

    std::lock_guard lock(m_SourceLock);
    m_Active.Make(20, 20);
    const std::int32_t count = GetCount();
    m_Table.assign(static_cast<std::size_t>(count), DefaultEntry());
    m_Groups.assign(static_cast<std::size_t>(count), {});
    m_RefusedAtZero.assign(static_cast<std::size_t>(count), 0);
    m_Bound = std::make_unique<std::atomic<std::int32_t>[]>(static_cast<std::size_t>(count));

    g_ResourceDB.SelectSection(section, false);
    for (std::int32_t i = 0; i < count; ++i)
    {
        SSoundInfo& e = m_Table[static_cast<std::size_t>(i)];
        const char* record = GetName(i);
        g_ResourceDB.GetStringField(record, "NAME", e.name, sizeof(e.name));
        g_ResourceDB.GetStringField(record, "CATEGORY", e.category, sizeof(e.category));
        std::snprintf(e.key, sizeof(e.key), "%s", record);
        e.volume = g_ResourceDB.GetFloatField(record, "VOLUME", 1.0f);
        g_ResourceDB.GetStringField(record, "FILENAME", e.fileName, sizeof(e.fileName));
        e.is3D = g_ResourceDB.GetIntegerField(record, "3DSOUND", 0) == 1;
        e.minDistance = g_ResourceDB.GetFloatField(record, "MINDIST", 0.0f);
        e.maxDistance = e.minDistance * 10.0f;
    }
    for (std::int32_t i = 0; i < count; ++i)
    {
        SSoundInfo& e = m_Table[static_cast<std::size_t>(i)];
        std::vector<std::int32_t>& group = m_Groups[static_cast<std::size_t>(i)];
        group.push_back(i);
        std::int32_t n = 0;
        if (std::strlen(e.key) < kMaxSynonymKey)
        {
            while (n < kMaxSynonyms)
            {
                char name[sizeof(e.key) + 16]; // room for any key and number
                std::snprintf(name, sizeof(name), "%s.%02d", e.key, n + 1);
                const std::int32_t synonym = Lookup(name);
                if (synonym < 0) break;
                group.push_back(synonym);
                ++n;
            }
        }
        e.synonymCount = n;
    }
}

void CSoundManager2::DoneSources()
{
    XTRACE("CSoundManager2::Done");
    {
        std::lock_guard lock(m_SourceLock);
        // The records are cleared with their ids, so that an id kept across
        // the reset no longer passes the validity check.
        for (std::int32_t id = m_Sources.First(); id > 0; id = m_Sources.Next(id))
            m_Sources[id] = SSoundSource();
        m_Sources.Reset();
        m_Active.Clear();
        for (std::size_t i = 0; m_Bound && i < m_Table.size(); ++i)
            m_Bound[i] = 0;
    }
    // The containers go with the objects the records held.
    Purge();
}

void CSoundManager2::Done()
{
    XTRACE("CSoundManager2::Done");
    CMTResourceManager::Done();
    DoneSources();
    std::lock_guard lock(m_SourceLock);
    for (SSoundInfo& e : m_Table)
        e = EmptyEntry();
}

std::int32_t CSoundManager2::Lookup(const char* name) const
{
    return name ? FindName(name) : -1;
}

std::int32_t CSoundManager2::GetTableSize()
{
    std::lock_guard lock(m_SourceLock);
    return static_cast<std::int32_t>(m_Table.size());
}

bool CSoundManager2::GetEntry(std::int32_t index, SSoundInfo* out)
{
    std::lock_guard lock(m_SourceLock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return false;
    *out = m_Table[static_cast<std::size_t>(index)];
    return true;
}

CSoundContainer2* CSoundManager2::Container(std::int32_t index, bool touch)
{
    return static_cast<CSoundContainer2*>(Get(index, touch ? 1 : 0));
}

void CSoundManager2::SetLimitSoundSource(std::int32_t n)
{
    if (!Active()) return;
    m_nSourceLimit = n < 1 ? 1 : n;
}

void CSoundManager2::SetVolumeMng(float volume)
{
    XTRACE("CSoundManager2::SetVolumeMng");
    if (!m_bReady) return;
    m_fMasterVolume = volume;
    std::lock_guard lock(m_SourceLock);
    if (volume != 0.0f)
    {
        // Loads refused while the volume was 0 may run now.
        for (std::size_t i = 0; i < m_RefusedAtZero.size(); ++i)
        {
            if (m_RefusedAtZero[i])
            {
                ResetFailed(static_cast<std::int32_t>(i));
                m_RefusedAtZero[i] = 0;
            }
        }
    }
    for (std::size_t i = 0; i < m_Table.size(); ++i)
        SetVolume(static_cast<std::int32_t>(i), m_Table[i].volume);
}

float CSoundManager2::GetVolume()
{
    return m_fMasterVolume;
}

void CSoundManager2::SetVolume(std::int32_t index, float volume)
{
    XTRACE("CSoundManager2::SetVolume");
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return;
    m_Table[static_cast<std::size_t>(index)].volume = volume;
    if (CSoundContainer2* container = Container(index, false)) container->SetVolume(volume * m_fMasterVolume);
    for (std::int32_t id = m_Sources.First(); id > 0; id = m_Sources.Next(id))
        if (m_Sources[id].entry == index) m_Sources[id].dirty |= kDirtyVolume;
}

void CSoundManager2::SetVolume(float volume)
{
    CSoundBase::SetVolume(volume);
}

float CSoundManager2::GetMaxDistance(std::int32_t index)
{
    std::lock_guard lock(m_SourceLock);
    if (!m_bReady || index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return FLT_MAX;
    return m_Table[static_cast<std::size_t>(index)].maxDistance;
}

void CSoundManager2::GetDistance(std::int32_t index, float* minDistance, float* maxDistance)
{
    std::lock_guard lock(m_SourceLock);
    if (!m_bReady || index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return;
    *minDistance = m_Table[static_cast<std::size_t>(index)].minDistance;
    *maxDistance = m_Table[static_cast<std::size_t>(index)].maxDistance;
}

bool CSoundManager2::Is3DSound(std::int32_t index)
{
    if (!m_bReady) return true;
    std::lock_guard lock(m_SourceLock);
    if (!Active() || index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return true;
    return m_Table[static_cast<std::size_t>(index)].is3D;
}

void CSoundManager2::GetSoundParam(std::int32_t index, SSoundInfo* out)
{
    std::lock_guard lock(m_SourceLock);
    if (!Active() || !out || index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return;
    const SSoundInfo& e = m_Table[static_cast<std::size_t>(index)];
    std::memcpy(out->key, e.key, sizeof(e.key));
    std::memcpy(out->name, e.name, sizeof(e.name));
    std::memcpy(out->category, e.category, sizeof(e.category));
    std::memcpy(out->fileName, e.fileName, sizeof(e.fileName));
    out->is3D = e.is3D;
    out->minDistance = e.minDistance;
    out->maxDistance = e.maxDistance;
    out->volume = e.volume;
}

void CSoundManager2::RandomSynonym(std::int32_t index, std::int32_t* out)
{
    std::lock_guard lock(m_SourceLock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_Table.size())
    {
        *out = index < 0 ? -1 : index;
        return;
    }
    const SSoundInfo& e = m_Table[static_cast<std::size_t>(index)];
    const std::int32_t n = e.synonymCount;
    *out = index;
    if (n == 0) return;
    const std::int32_t r = plat::CrtRand();
    const std::int32_t k = (r * (n + 1)) / plat::CRT_RAND_MAX;
    if (k == 0) return;
    char name[40];
    std::snprintf(name, sizeof(name), "%s.%02d", e.key, k);
    const std::int32_t found = Lookup(name);
    if (found >= 0) *out = found;
}

bool CSoundManager2::InGroup(std::int32_t index, std::int32_t entry) const
{
    for (std::int32_t member : m_Groups[static_cast<std::size_t>(index)])
        if (member == entry) return true;
    return false;
}

void CSoundManager2::Play2D(const char* name, bool loop)
{
    if (!Active()) return;
    Play2DById(Lookup(name), loop);
}

std::int32_t CSoundManager2::Play3DMotionlessById(std::int32_t index, const float* position,
                                                  const float* listenerPosition, bool autoRelease)
{
    XTRACE("CSoundManager2::Play3DMotionlessById");
    if (!m_bReady || index == -1) return -1;
    const float dx = position[0] - listenerPosition[0];
    const float dy = position[1] - listenerPosition[1];
    const float dz = position[2] - listenerPosition[2];
    const float maxDistance = GetMaxDistance(index);
    if (dx * dx + dy * dy + dz * dz > maxDistance * maxDistance) return -1;
    const std::int32_t id = AddSndSrc(index, position);
    if (id == -1) return -1;
    PlaySndSrc(id, false, autoRelease, false);
    return id;
}

std::int32_t CSoundManager2::Play3DMotionless(const char* name, const float* position,
                                              const float* listenerPosition, bool autoRelease)
{
    return Play3DMotionlessById(Lookup(name), position, listenerPosition, autoRelease);
}

bool CSoundManager2::IsPlaying(std::int32_t index)
{
    if (!Active()) return false;
    std::lock_guard lock(m_SourceLock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return false;
    for (std::int32_t id = m_Sources.First(); id > 0; id = m_Sources.Next(id))
    {
        const SSoundSource& s = m_Sources[id];
        if (s.entry >= 0 && s.playRequested && InGroup(index, s.entry)) return true;
    }
    return false;
}

void CSoundManager2::Stop(std::int32_t index)
{
    XTRACE("CSoundManager2::Stop");
    if (!Active()) return;
    std::lock_guard lock(m_SourceLock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return;
    for (std::int32_t id = m_Sources.First(); id > 0; id = m_Sources.Next(id))
    {
        const SSoundSource& s = m_Sources[id];
        if (s.entry >= 0 && InGroup(index, s.entry)) StopSndSrc(id, false);
    }
}

void CSoundManager2::Stop(const char* name)
{
    const std::int32_t index = Lookup(name);
    if (index >= 0) Stop(index);
}

void CSoundManager2::StopAll()
{
    std::lock_guard lock(m_SourceLock);
    for (std::size_t i = 0; i < m_Table.size(); ++i)
        Stop(static_cast<std::int32_t>(i));
}

// ------------------------------------------------- resource-manager side

void* CSoundManager2::MT_LoadResource(std::int32_t index, std::uint32_t* size)
{
    XTRACE("CSoundManager2::MT_LoadResource");
    SSoundInfo entry;
    {
        std::lock_guard lock(m_SourceLock);
        if (index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return nullptr;
        if (!Active())
        {
            // Failed for now; SetVolumeMng lets it load again.
            m_RefusedAtZero[static_cast<std::size_t>(index)] = 1;
            return nullptr;
        }
        entry = m_Table[static_cast<std::size_t>(index)];
    }
    auto* container = new CSoundContainer2;
    container->Init(this, entry.is3D);
    bool loaded = false;
    try
    {
        loaded = container->LoadFromFile(entry.fileName);
    }
    catch (...)
    {
        // One bad file must not end the loader thread.
        g_ErrorLog.FlushTrace();
        g_ErrorLog.LogError("Sound %s (%s) failed to load", entry.key, entry.fileName);
    }
    if (!loaded)
    {
        Stop(index);
        delete container;
        return nullptr;
    }
    container->SetDistance(entry.minDistance, entry.minDistance * 10.0f);
    container->SetVolume(entry.volume * m_fMasterVolume);
    *size = container->GetDataSize();
    return container;
}

void CSoundManager2::MT_OnLoadResource(std::int32_t index)
{
    if (!m_bReady) return;
    std::lock_guard lock(m_SourceLock);
    if (index < 0 || static_cast<std::size_t>(index) >= m_Table.size()) return;
    if (CSoundContainer2* container = Container(index, false))
    {
        const SSoundInfo& e = m_Table[static_cast<std::size_t>(index)];
        container->SetDistance(e.minDistance, e.maxDistance);
        container->SetVolume(e.volume * m_fMasterVolume);
    }
}

bool CSoundManager2::MT_IsPermitUnload(std::int32_t index)
{
    if (!m_bReady) return false;
    if (GetState(index) != kLoaded) return true;
    CSoundContainer2* container = Container(index, false);
    if (!container) return true;
    // A source that holds one of its objects may start it any moment.
    if (m_Bound && index >= 0 && m_Bound[static_cast<std::size_t>(index)].load() > 0) return false;
    return !container->IsPlaying();
}

void CSoundManager2::MT_UnloadResource(void* resource, std::int32_t index)
{
    XTRACE("CSoundManager2::MT_UnloadResource");
    auto* container = static_cast<CSoundContainer2*>(resource);
    {
        std::lock_guard lock(m_SourceLock);
        for (std::int32_t id = m_Sources.First(); id > 0; id = m_Sources.Next(id))
        {
            SSoundSource& s = m_Sources[id];
            if (s.entry != index) continue;
            if (s.object) s.object->Stop();
            SetObject(s, nullptr);
            s.state = kSourceStopped;
        }
        delete container;
    }
}
