#include "app/MMApp_Music.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "sound/MusicManager.h"
#include "units/GliderObject.h"
#include "world/GameWorldState.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// ---- the game's situation ---------------------------------------------------------

namespace
{
std::string Name32(const char* name)
{
    return std::string(name, strnlen(name, 32));
}

std::vector<std::string> Names(const char (*names)[32], std::uint32_t count)
{
    std::vector<std::string> out;
    for (std::uint32_t i = 0; i < count && i < SLocMusic::kMaxNames; ++i)
        out.push_back(Name32(names[i]));
    return out;
}
} // namespace

bool CGameMusicSituation::IsMusicOn()
{
    return g_pMusicManager && g_pMusicManager->IsMusicOn();
}

bool CGameMusicSituation::IsPlayed()
{
    return g_pMusicManager && g_pMusicManager->IsPlayed(-1);
}

float CGameMusicSituation::GetSilence()
{
    return g_pMusicManager ? g_pMusicManager->GetSilence() : 0.0f;
}

bool CGameMusicSituation::IsRequestQueued()
{
    return g_pMusicManager && g_pMusicManager->IsStopping();
}

void CGameMusicSituation::SetSilence(float seconds)
{
    if (g_pMusicManager) g_pMusicManager->SetSilence(seconds);
}

void CGameMusicSituation::Play(const char* name, float fadeIn, bool loop)
{
    if (!g_pMusicManager) return;
    const std::int32_t id = g_pMusicManager->FindName(name);
    if (id >= 0) g_pMusicManager->PlayMusic(id, fadeIn, loop, 0.0f);
}

void CGameMusicSituation::Stop(float fadeOut)
{
    if (g_pMusicManager) g_pMusicManager->StopMusic(fadeOut);
}

void CGameMusicSituation::Pause(bool pause, float fade)
{
    if (g_pMusicManager) g_pMusicManager->Pause(pause, fade);
}

float CGameMusicSituation::GetLength()
{
    return g_pMusicManager ? g_pMusicManager->GetMusicLength() : 0.0f;
}

float CGameMusicSituation::GetPosition()
{
    return g_pMusicManager ? g_pMusicManager->GetMusicTime() : 0.0f;
}

std::string CGameMusicSituation::MainTrack()
{
    const std::string name = Name32(g_MMEngine.m_LocMusic.m_szMusic);
    return name.empty() ? "MUS_LOC1" : name;
}

std::vector<std::string> CGameMusicSituation::BattleTracks()
{
    std::vector<std::string> names = Names(g_MMEngine.m_LocMusic.m_szFight, g_MMEngine.m_LocMusic.m_nFight);
    if (names.empty()) names.emplace_back("MUS_FIGHT");
    return names;
}

std::vector<std::string> CGameMusicSituation::CalmTracks()
{
    return Names(g_MMEngine.m_LocMusic.m_szOther, g_MMEngine.m_LocMusic.m_nOther);
}

bool CGameMusicSituation::IsPlayerDead()
{
    const CPlayerMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    return player && player->m_bDead;
}

bool CGameMusicSituation::IsEngaged(CMechGroup2* group)
{
    const CGroupAI* ai = group ? group->GetGroupAI() : nullptr;
    return ai && (ai->IsAttackingPlayer() || ai->IsRetreatingFromPlayer());
}

// ---- the music --------------------------------------------------------------------

CMMApp_Music::CMMApp_Music(IMusicSituation* game) : m_pGame(game ? game : &m_Game)
{
    m_Attackers.reserve(16);
}

void CMMApp_Music::Reset()
{
    m_Attackers.clear();
    m_Attackers.reserve(20);
    m_nCurrent = -1;
    m_nPrevious = -1;
    m_nLastBattle = -1;
    m_nLastCalm = -1;
    m_bBattleStarted = false;
    m_bCalmToggle = true;
    m_bPausedForBattle = false;
}

void CMMApp_Music::SetMenuState(int state)
{
    if ((state != 3 && state != 4) || m_nCurrent == 4) return;
    m_nPrevious = m_nCurrent;
    m_nCurrent = state;
}

void CMMApp_Music::AddAttacker(CMechGroup2* group)
{
    if (group && std::find(m_Attackers.begin(), m_Attackers.end(), group) == m_Attackers.end())
        m_Attackers.push_back(group);
}

void CMMApp_Music::OnPlayerHit(CGliderObject* attacker)
{
    if (!attacker || !m_pGame->IsMusicOn() || attacker == static_cast<CGliderObject*>(g_pPlayerGlider))
        return;
    if (!attacker->m_pMech) return;
    if (CMechGroup2* group = GetMechGroup(attacker->m_pMech))
        AddAttacker(group);
    else
        g_ErrorLog.LogError("Group of Mech %s is empty", Name32(attacker->m_pMech->m_szId).c_str());
}

int CMMApp_Music::PickIndex(int n, int last)
{
    if (n <= 1) return 0;
    if (last < 0 || last >= n) return g_Random.RandomInt(n);
    const int r = g_Random.RandomInt(n - 1);
    return r >= last ? r + 1 : r;
}

void CMMApp_Music::Remember()
{
    if (m_nCurrent != 3 && m_nCurrent != 4) m_nPrevious = m_nCurrent;
}

void CMMApp_Music::AnalizeMusicSituation()
{
    IMusicSituation& game = *m_pGame;
    if (!game.IsMusicOn()) return;
    const int cur = m_nCurrent;
    int next = -1;
    if (game.IsPlayerDead())
        next = 7;
    else
    {
        std::erase_if(m_Attackers, [&](CMechGroup2* g) { return !game.IsEngaged(g); });
        if (!m_Attackers.empty())
            next = 5;
        else if ((!game.IsPlayed() || cur == 5) && game.GetSilence() == 0.0f && !game.IsRequestQueued())
            switch (cur)
            {
            case -1:
            case 0:
                next = m_bCalmToggle ? 1 : 2;
                if (!game.CalmTracks().empty()) m_bCalmToggle = !m_bCalmToggle;
                break;
            case 1:
            case 2:
            case 3:
            case 5:
                m_bBattleStarted = false;
                next = m_bPausedForBattle ? 6 : 0;
                break;
            case 4:
                next = 0;
                m_bCalmToggle = false;
                break;
            case 6:
                next = 6;
                break;
            default:
                break;
            }
    }
    if (next == -1) return;
    if (next == cur && !(next == 5 && !m_bBattleStarted) && next != 6) return;

    const int prev = m_nPrevious;
    switch (next)
    {
    case 0:
    {
        float silence = 0.0f;
        if (cur == 1 || cur == 2)
            silence = 180.0f;
        else if (cur == 3)
            silence = 15.0f;
        else if (cur == 4)
            silence = 5.0f;
        else if (cur == 5)
            silence = 30.0f;
        game.SetSilence(silence);
        Remember();
        m_nCurrent = 0;
        break;
    }
    case 1:
    {
        const float fade = cur == 0 && prev == 5 ? 6.0f : cur == 0 && (prev == 3 || prev == 2) ? 8.0f : 0.0f;
        game.Play(game.MainTrack().c_str(), fade, false);
        Remember();
        m_nCurrent = 1;
        break;
    }
    case 2:
    {
        const float fade = cur == 0 && prev == 5 ? 6.0f : cur == 0 && (prev == 3 || prev == 1) ? 8.0f : 0.0f;
        const std::vector<std::string> calm = game.CalmTracks();
        m_nLastCalm = PickIndex(static_cast<int>(calm.size()), m_nLastCalm);
        if (!calm.empty()) game.Play(calm[static_cast<std::size_t>(m_nLastCalm)].c_str(), fade, false);
        Remember();
        m_nCurrent = 2;
        break;
    }
    case 3:
    case 4:
        game.SetSilence(0.0f);
        m_nCurrent = next;
        break;
    case 5:
    {
        if (m_bBattleStarted) break;
        if (game.IsPlayed())
        {
            // A track with much left waits for the battle's end; a nearly
            // finished one just ends.
            if (game.GetLength() - game.GetPosition() > 30.0f)
            {
                game.Pause(true, 2.0f);
                m_bPausedForBattle = true;
            }
            else
                game.Stop(2.0f);
        }
        // A long silence is kept for after the battle too.
        if (game.GetSilence() > 30.0f)
        {
            game.Pause(true, 0.0f);
            m_bPausedForBattle = true;
        }
        if (game.IsRequestQueued()) break;
        const std::vector<std::string> battle = game.BattleTracks();
        m_nLastBattle = PickIndex(static_cast<int>(battle.size()), m_nLastBattle);
        m_bBattleStarted = true;
        if (!battle.empty()) game.Play(battle[static_cast<std::size_t>(m_nLastBattle)].c_str(), 2.0f, true);
        Remember();
        m_nCurrent = 5;
        break;
    }
    case 6:
        if (cur == 5)
        {
            game.Stop(8.0f);
            if (prev != 0) game.SetSilence(11.0f);
            m_nCurrent = prev;
            m_nPrevious = 5;
        }
        else
        {
            m_bPausedForBattle = false;
            game.Pause(false, 6.0f);
        }
        break;
    case 7:
        game.Stop(0.5f);
        game.Play((g_Random.Next() & 0x100) ? "MUS_DIED_1" : "MUS_DIED_2", 0.0f, false);
        m_nPrevious = -1;
        m_nCurrent = 7;
        break;
    default:
        break;
    }
}

// ---- the cockpit warnings ---------------------------------------------------------

void CCockpitWarnings::StopLoops(std::uint32_t& bits, IWarningSounds& sounds)
{
    sounds.Stop("SND_C_DAMAGE_CRITICAL_L");
    sounds.Stop("SND_C_ANOMALY_DAMAGE");
    bits &= ~(kCriticalLoop | kAnomalyLoop);
}

int CCockpitWarnings::Analize(const SCockpitState& s, std::uint32_t& bits, float& lastShield,
                              IWarningSounds& sounds)
{
    int hud = -1;
    if (!s.alive)
    {
        if (bits & (kCriticalLoop | kAnomalyLoop)) StopLoops(bits, sounds);
        return hud;
    }

    // The guns: ready, close to overheating, overheated, not available.
    std::uint32_t gunBits = 0;
    for (int i = 0; i < 2; ++i)
    {
        const SCockpitState::SGun& g = s.guns[i];
        const std::uint32_t ready = 0x1000u << i, warn = 0x4000u << i, hot = 0x10000u << i,
                            na = 0x40000u << i;
        if (g.mounted && g.fireTime > 3.0f)
        {
            if (g.overheated)
                gunBits |= hot;
            else if (g.chargeRatio < 0.15f)
                gunBits |= warn;
        }
        if (!g.flagged && g.condition == 1.0f && g.mounted && g.rateOfFire <= 0.83f) gunBits |= ready;
        const bool becameHot = (gunBits & hot) && !(bits & hot);
        if (!becameHot && g.mounted && g.stateCode != 0 && (g.stateCode != 3 || g.rateOfFire <= 0.83f))
            gunBits |= na;
    }
    static const struct
    {
        std::uint32_t mask;
        const char* sound;
    } kGunSounds[] = {{0x30000, "SND_C_WEAPON_OVERHEAT"},
                      {0xC000, "SND_C_WEAPON_OVERHEAT_WARN"},
                      {0x3000, "SND_C_WEAPON_READY"},
                      {0xC0000, "SND_C_WEAPON_NA"}};
    for (const auto& k : kGunSounds)
        for (std::uint32_t bit = k.mask & (~k.mask + 1); bit & k.mask; bit <<= 1)
        {
            if ((gunBits & bit) == (bits & bit)) continue;
            if (gunBits & bit) sounds.Play(k.sound, false);
            bits = (bits & ~bit) | (gunBits & bit);
        }

    if (s.energy < kLowEnergyFraction)
    {
        if (!(bits & kLowEnergy)) sounds.Play("SND_C_ENERGY_LOW", false);
        bits |= kLowEnergy;
        hud = 6;
    }
    else
        bits &= ~kLowEnergy;

    std::uint32_t core = 0;
    for (int k = 0; k < 5; ++k)
        if (s.partDamage[k] > 0.75f && (k != 3 || s.fourthFitted)) core |= 0x10u << k;
    if (core & ~bits & kCoreBits) sounds.Play("SND_C_DAMAGE_CORE", false);
    bits = (bits & ~kCoreBits) | core;

    if (s.armour < 0.25f)
    {
        if (!(bits & kCriticalLoop))
        {
            sounds.Play("SND_C_DAMAGE_CRITICAL_L", true);
            bits |= kCriticalLoop;
        }
        hud = 4;
    }
    else if (bits & kCriticalLoop)
    {
        bits &= ~kCriticalLoop;
        sounds.Stop("SND_C_DAMAGE_CRITICAL_L");
    }

    if (s.watched) hud = 5;
    if (s.stasis) hud = 7;

    const float p = lastShield;
    const int bandNow = static_cast<int>(4.0f * s.shield), bandBefore = static_cast<int>(4.0f * p);
    if (s.shieldHit && (bandNow < bandBefore || (s.shield <= 0.05f && p > 0.05f)))
    {
        if (bandBefore == 3)
            sounds.Play("SND_C_SHIELD_HIT_75", false);
        else if (bandBefore == 2)
            sounds.Play("SND_C_SHIELD_HIT_50", false);
        else if (bandBefore == 1)
            sounds.Play("SND_C_SHIELD_HIT_25", false);
    }
    lastShield = s.shield;

    if (s.anomalyZone != -1)
    {
        if (!(bits & kAnomalyWarned))
        {
            sounds.Play("SND_C_ANOMALY_WARNING", false);
            bits |= kAnomalyWarned;
        }
        if (s.anomalyDamage && !(bits & kAnomalyLoop))
        {
            sounds.Play("SND_C_ANOMALY_DAMAGE", true);
            bits |= kAnomalyLoop;
        }
        hud = s.anomalyZone;
    }
    else if (bits & (kAnomalyWarned | kAnomalyLoop))
    {
        sounds.Stop("SND_C_ANOMALY_DAMAGE");
        bits &= ~(kAnomalyWarned | kAnomalyLoop);
    }
    return hud;
}
