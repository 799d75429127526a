#include "sound/MusicManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "sound/SoundModule.h"

#include <algorithm>
#include <mutex>

CMusicMng* g_pMusicManager = nullptr;

namespace
{

// How long the destructor waits for the fade thread before it says so. A
// fade step that is decoding music may take a while on a busy machine; only
// a thread that stays stuck for seconds is worth a line in the error log.
constexpr std::uint32_t kFadeThreadStopWait = 5000;

} // namespace

IMusicManager* IMusicManager::CreateClass()
{
    return new CMusicMng;
}

CMusicMng::CMusicMng(bool runFadeThread)
{
    if (runFadeThread) m_hFadeThread = plat::CreateThread(&CMusicMng::FadeThreadFunc, this, nullptr);
}

CMusicMng::~CMusicMng()
{
    std::vector<SEndWait*> waits;
    {
        std::lock_guard lock(m_Lock);
        StopMusic(0.0f);
        ReleaseEndWait();
        waits = std::move(m_EndWaits);
        m_EndWaits.clear();
        for (SEndWait* w : waits)
            plat::SetEvent(w->endEvent);
    }
    // The waiting threads use the manager: they end before it goes.
    for (SEndWait* w : waits)
    {
        plat::WaitForSingleObject(w->thread, plat::INFINITE);
        plat::CloseHandle(w->thread);
        plat::CloseHandle(w->endEvent);
        delete w;
    }
    m_bStopThreads = true;
    if (m_hFadeThread)
    {
        if (plat::WaitForSingleObject(m_hFadeThread, kFadeThreadStopWait) != plat::WAIT_OBJECT_0)
        {
            g_ErrorLog.LogError("Error while stop secondary threading..");
            plat::WaitForSingleObject(m_hFadeThread, plat::INFINITE);
        }
        plat::CloseHandle(m_hFadeThread);
        m_hFadeThread = nullptr;
    }
    std::lock_guard lock(m_Lock);
    FreeEntries();
}

void CMusicMng::FreeEntries()
{
    m_pCurrent = nullptr;
    m_pFadingOut = nullptr;
    m_nCurrentId = -1;
    for (SMusicEntry& entry : m_Entries)
    {
        if (entry.object)
        {
            entry.object->Stop();
            delete entry.object;
            entry.object = nullptr;
        }
    }
    m_Entries.clear();
}

bool CMusicMng::Init(const char* section)
{
    XTRACE("CMusicMng::Init");
    std::lock_guard lock(m_Lock);
    ReleaseEndWait();
    FreeEntries();
    const bool listed = DefaultManager::Init(section);
    m_Entries.assign(static_cast<std::size_t>(GetCount()), SMusicEntry());
    g_ResourceDB.SelectSection(section, false);
    for (std::int32_t i = 0; i < GetCount(); ++i)
    {
        SMusicEntry& entry = m_Entries[static_cast<std::size_t>(i)];
        g_ResourceDB.GetStringField(GetName(i), "Filename", entry.fileName, sizeof(entry.fileName));
        entry.type = g_ResourceDB.GetIntegerField(GetName(i), "TYPE", 0);
    }
    return listed;
}

void CMusicMng::SetSoundDevice(plat::ds::Device* device)
{
    std::lock_guard lock(m_Lock);
    m_pSoundDevice = device;
}

void CMusicMng::SetTickFunction(TickFunction tick)
{
    std::lock_guard lock(m_Lock);
    m_pfnTick = tick ? tick : plat::GetTickCount;
}

IMusic* CMusicMng::GetMusicObject(int id)
{
    XTRACE("CMusicMng::GetMusicObject");
    std::lock_guard lock(m_Lock);
    if (id < 0 || static_cast<std::size_t>(id) >= m_Entries.size()) return nullptr;
    SMusicEntry& entry = m_Entries[static_cast<std::size_t>(id)];
    if (entry.object) return entry.object;
    IBaseInterface* made = CreateClassInstance(static_cast<int>(g_IMusicClass));
    auto* music = dynamic_cast<IMusic*>(made);
    if (!music)
    {
        delete made;
        return nullptr;
    }
    if (plat::Failed(music->SetFileName(entry.fileName)))
    {
        delete music;
        return nullptr;
    }
    music->SetDevice(m_pSoundDevice);
    entry.object = music;
    return music;
}

bool CMusicMng::IsMusicOn()
{
    std::lock_guard lock(m_Lock);
    return m_bMusicOn && m_fVolume != 0.0f;
}

void CMusicMng::EnableMusic(bool on)
{
    std::lock_guard lock(m_Lock);
    m_bMusicOn = on;
}

void CMusicMng::BeginFadeIn(IMusic* music, float fadeIn)
{
    if (music == m_pFadingOut)
    {
        // Taken back: the fade-in starts where the fade-out had got to.
        m_pFadingOut = nullptr;
        m_fFadeInTime = m_fFadeOutLength > 0.0f ? fadeIn * m_fFadeOutLeft / m_fFadeOutLength : 0.0f;
        // Whatever plays now must not go on unowned.
        if (m_pCurrent && m_pCurrent != music) StopMusic(0.0f);
    }
    else
    {
        StopMusic(0.0f);
        m_fFadeInTime = 0.0f;
    }
    m_fFadeInLength = fadeIn;
    m_fEndMargin = 0.0f;
    music->SetVolume(fadeIn != 0.0f ? m_fVolume * m_fFadeInTime / m_fFadeInLength : m_fVolume);
}

bool CMusicMng::PlayMusic(int id, float fadeIn, bool loop, float endMargin)
{
    XTRACE("CMusicMng::PlayMusic");
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn()) return false;
    if (id == m_nCurrentId && IsPlayed(id)) return false;
    IMusic* music = GetMusicObject(id);
    if (!music) return false;
    BeginFadeIn(music, fadeIn);
    m_bLoop = loop;
    if (plat::Failed(music->Play(loop, 0)))
    {
        m_pCurrent = nullptr;
        m_nCurrentId = -1;
        return false;
    }
    m_nCurrentId = id;
    m_pCurrent = music;
    if (!loop && endMargin != 0.0f)
    {
        m_fEndMargin = endMargin;
        StartEndWait(music, endMargin, music->GetLength() - endMargin);
    }
    return true;
}

void CMusicMng::StopMusic(float fadeOut)
{
    XTRACE("CMusicMng::StopMusic");
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn() || !m_pCurrent) return;
    ReleaseEndWait();
    if (m_pFadingOut)
    {
        CheckForPause(m_pFadingOut);
        m_pFadingOut->Stop();
        m_pFadingOut = nullptr;
    }
    m_fFadeOutLength = m_fFadeOutLeft = fadeOut;
    if (fadeOut == 0.0f)
    {
        CheckForPause(m_pCurrent);
        m_pCurrent->Stop();
    }
    else
    {
        if (m_fFadeInTime != m_fFadeInLength) m_fFadeOutLeft = fadeOut * m_fFadeInTime / m_fFadeInLength;
        m_pFadingOut = m_pCurrent;
    }
    m_pCurrent = nullptr;
    m_nCurrentId = -1;
}

void CMusicMng::Pause(bool pause, float fade)
{
    XTRACE("CMusicMng::Pause");
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn()) return;
    if (pause)
    {
        if (m_nCurrentId == -1) return;
        SMusicPauseRecord record;
        record.id = m_nCurrentId;
        const bool room = m_nPauseCount < kPauseDepth;
        if (!room)
            g_ErrorLog.LogError("CMusicMng::Pause: the pause stack is full; music %d will not resume",
                                m_nCurrentId);
        if (m_fSilenceLeft != 0.0f)
        {
            record.time = m_fSilenceLeft;
            SetSilence(0.0f);
            if (room) m_PauseStack[m_nPauseCount++] = record;
            return;
        }
        record.loop = m_bLoop;
        record.time = m_fEndMargin;
        // On the stack before the piece stops, so that an immediate stop
        // records its position as a faded one does.
        if (room) m_PauseStack[m_nPauseCount++] = record;
        StopMusic(fade);
        return;
    }

    if (m_nPauseCount == 0) return;
    const SMusicPauseRecord record = m_PauseStack[--m_nPauseCount];
    m_PauseStack[m_nPauseCount] = SMusicPauseRecord();
    if (record.id == m_nCurrentId && IsPlayed(record.id)) return;
    if (record.id == -2)
    {
        StopMusic(0.0f);
        SetSilence(record.time);
        return;
    }
    IMusic* music = GetMusicObject(record.id);
    if (!music)
    {
        g_ErrorLog.LogError("Get music with ID=%d is fail", record.id);
        return;
    }
    BeginFadeIn(music, fade);
    m_bLoop = record.loop;
    if (plat::Failed(music->Play(record.loop, record.position)))
    {
        g_ErrorLog.LogError("Play music with ID=%d is fail at position %u", record.id, record.position);
        m_pCurrent = nullptr;
        m_nCurrentId = -1;
        return;
    }
    m_nCurrentId = record.id;
    m_pCurrent = music;
    if (!record.loop && record.time != 0.0f)
    {
        m_fEndMargin = record.time;
        StartEndWait(music, record.time, music->GetLength() - music->GetPlayDuration() - record.time);
    }
}

bool CMusicMng::IsPlayed(int id)
{
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn() || (id != -1 && id != m_nCurrentId) || !m_pCurrent) return false;
    return m_pCurrent->IsMusicPlayed() || m_pCurrent->GetState() != CSoundMusic::kStopped;
}

int CMusicMng::GetCurrentMusic()
{
    std::lock_guard lock(m_Lock);
    return m_nCurrentId;
}

void CMusicMng::Run()
{
    XTRACE("CMusicMng::Run");
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn()) return;
    const std::uint32_t now = m_pfnTick();
    // Unsigned: right across the wrap of the tick counter.
    const float dt = m_nLastTick ? static_cast<float>(now - m_nLastTick) * 0.001f : 0.0f;
    m_nLastTick = now;
    if (m_pFadingOut) OnStopWithFade(dt);
    if (m_fSilenceLeft != 0.0f)
    {
        m_fSilenceLeft -= dt;
        if (m_fSilenceLeft <= 0.0f)
        {
            m_fSilenceLeft = 0.0f;
            if (m_nCurrentId == -2) m_nCurrentId = -1;
        }
    }
    OnRunWithFade(dt);
}

void CMusicMng::OnRunWithFade(float dt)
{
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn() || !m_pCurrent || m_fFadeInTime == m_fFadeInLength || !m_pCurrent->IsMusicPlayed())
        return;
    m_fFadeInTime = std::min(m_fFadeInTime + dt, m_fFadeInLength);
    m_pCurrent->SetVolume(m_fVolume * m_fFadeInTime / m_fFadeInLength);
}

void CMusicMng::OnStopWithFade(float dt)
{
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn() || !m_pFadingOut) return;
    m_fFadeOutLeft -= dt;
    if (m_fFadeOutLeft > 0.0f)
    {
        m_pFadingOut->SetVolume(m_fVolume * m_fFadeOutLeft / m_fFadeOutLength);
        return;
    }
    CheckForPause(m_pFadingOut);
    m_pFadingOut->Stop();
    m_pFadingOut = nullptr;
}

void CMusicMng::CheckForPause(IMusic* music)
{
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn() || m_nPauseCount == 0) return;
    SMusicPauseRecord& top = m_PauseStack[m_nPauseCount - 1];
    if (top.id < 0 || top.id >= static_cast<int>(m_Entries.size()) ||
        m_Entries[static_cast<std::size_t>(top.id)].object != music)
        return;
    top.position = music->GetCurrentPos();
}

void CMusicMng::SetVolume(float volume)
{
    std::lock_guard lock(m_Lock);
    m_fVolume = volume;
    if (m_pCurrent && m_fFadeInTime == m_fFadeInLength) m_pCurrent->SetVolume(volume);
}

float CMusicMng::GetVolume()
{
    std::lock_guard lock(m_Lock);
    return m_fVolume;
}

void CMusicMng::SetSilence(float seconds)
{
    std::lock_guard lock(m_Lock);
    if (!IsMusicOn()) return;
    StopMusic(0.0f);
    m_nCurrentId = -2;
    m_fSilenceLeft = seconds;
}

bool CMusicMng::IsSilence()
{
    std::lock_guard lock(m_Lock);
    return IsMusicOn() && m_fSilenceLeft != 0.0f;
}

float CMusicMng::GetSilence()
{
    std::lock_guard lock(m_Lock);
    return IsMusicOn() ? m_fSilenceLeft : 0.0f;
}

bool CMusicMng::IsStopping()
{
    std::lock_guard lock(m_Lock);
    return IsMusicOn() && m_pFadingOut != nullptr;
}

float CMusicMng::GetMusicLength()
{
    std::lock_guard lock(m_Lock);
    return m_pCurrent ? m_pCurrent->GetLength() : 0.0f;
}

float CMusicMng::GetMusicTime()
{
    std::lock_guard lock(m_Lock);
    return m_pCurrent ? m_pCurrent->GetPlayDuration() : 0.0f;
}

std::int32_t CMusicMng::GetPauseCount()
{
    std::lock_guard lock(m_Lock);
    return m_nPauseCount;
}

SMusicPauseRecord CMusicMng::GetPauseRecord(std::int32_t index)
{
    std::lock_guard lock(m_Lock);
    if (index < 0 || index >= m_nPauseCount) return SMusicPauseRecord();
    return m_PauseStack[index];
}

std::int32_t CMusicMng::GetEndWaitCount()
{
    std::lock_guard lock(m_Lock);
    JoinFinishedWaits();
    return static_cast<std::int32_t>(m_EndWaits.size());
}

// ----------------------------------------------------------------- threads

std::uint32_t CMusicMng::FadeThreadFunc(void* param)
{
    auto* manager = static_cast<CMusicMng*>(param);
    try
    {
        XTRACE("CMusicMng:FadeThreadFunc");
        while (!manager->m_bStopThreads)
        {
            plat::Sleep(kFadeStepMs);
            if (manager->m_bStopThreads) break;
            manager->Run();
        }
    }
    catch (...)
    {
        g_ErrorLog.FlushTrace();
    }
    return 0;
}

void CMusicMng::StartEndWait(IMusic* piece, float margin, float waitSeconds)
{
    JoinFinishedWaits();
    auto* wait = new SEndWait;
    wait->manager = this;
    wait->piece = piece;
    wait->margin = margin;
    wait->waitMs = waitSeconds > 0.0f ? static_cast<std::uint32_t>(waitSeconds * 1000.0f) : 0;
    wait->endEvent = plat::CreateEvent(true, false);
    // The thread gets its parameters with it, so it never reads the
    // manager's fields for them.
    wait->thread =
        wait->endEvent ? plat::CreateThread(&CMusicMng::WaitEndingMusicThreadFunc, wait, nullptr) : nullptr;
    if (!wait->thread)
    {
        g_ErrorLog.LogError("Thread for Wait Ending Music is expire");
        if (wait->endEvent) plat::CloseHandle(wait->endEvent);
        delete wait;
        return;
    }
    m_EndWaits.push_back(wait);
    m_pEndWait = wait;
}

void CMusicMng::ReleaseEndWait()
{
    if (!m_pEndWait) return;
    plat::SetEvent(m_pEndWait->endEvent);
    m_pEndWait = nullptr;
}

void CMusicMng::JoinFinishedWaits()
{
    for (auto it = m_EndWaits.begin(); it != m_EndWaits.end();)
    {
        SEndWait* wait = *it;
        if (plat::WaitForSingleObject(wait->thread, 0) != plat::WAIT_OBJECT_0)
        {
            ++it;
            continue;
        }
        if (m_pEndWait == wait) m_pEndWait = nullptr;
        plat::CloseHandle(wait->thread);
        plat::CloseHandle(wait->endEvent);
        delete wait;
        it = m_EndWaits.erase(it);
    }
}

std::uint32_t CMusicMng::WaitEndingMusicThreadFunc(void* param)
{
    auto* wait = static_cast<SEndWait*>(param);
    try
    {
        XTRACE("CMusicMng:WaitEndingMusicThreadFunc");
        if (plat::WaitForSingleObject(wait->endEvent, wait->waitMs) == plat::WAIT_TIMEOUT)
            wait->manager->OnEndWaitExpired(wait);
    }
    catch (...)
    {
        g_ErrorLog.FlushTrace();
    }
    return 0;
}

void CMusicMng::OnEndWaitExpired(SEndWait* wait)
{
    std::lock_guard lock(m_Lock);
    if (m_pEndWait == wait) m_pEndWait = nullptr;
    // Released meanwhile (the piece was stopped or the manager is going).
    if (plat::WaitForSingleObject(wait->endEvent, 0) == plat::WAIT_OBJECT_0) return;
    if (wait->piece == m_pCurrent)
        StopMusic(wait->margin);
    else
        wait->piece->Stop();
}
