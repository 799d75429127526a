#include "app/GameData.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "graphics/ModelManager.h"
#include "hud/radar/Radar.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptBuiltIns.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "world/Trade.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/MMObject.h"
#include "world/ObjectTypes.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "the chunk stores its records as they lie in memory");

CGameData g_GameData;

namespace
{
// The first version of each part of the chunk.
constexpr std::uint32_t kFirstWithCounters = 6;
constexpr std::uint32_t kFirstWithNames = 7;
constexpr std::uint32_t kFirstWithClanLook = 8;
constexpr std::uint32_t kFirstWithFullCounters = 9;
// Up to this version a deduction could be stored as a negative spent value.
constexpr std::uint32_t kLastWithNegativeSpent = 9;
// Up to version 8 the counter block lacks counters 6 and 7: 20 bytes of
// counters 1-5, then counters 8-22.
constexpr std::uint32_t kOldCounterHead = 20;
constexpr std::uint32_t kOldCounterSize = 80;

constexpr float kBuyFactor = 0.001f;
constexpr float kSellSecondFactor = 0.0005f;

CPlayerMech* PlayerRecord()
{
    return g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
}

const char* GunName(std::int32_t gunType)
{
    static const char* const kNames[4] = {"Light Gun", "Heavy Gun", "Rocket Gun", "Bomb Gun"};
    return gunType >= 0 && gunType < 4 ? kNames[gunType] : "Unknown Gun";
}

void WriteU32(CMemStream& stream, std::uint32_t value)
{
    stream.Write(&value, 4);
}

void WriteString(CMemStream& stream, const CXAnsiString& text)
{
    const std::uint32_t length = static_cast<std::uint32_t>(text.GetLength());
    WriteU32(stream, length);
    if (length) stream.Write(text.GetData(), length);
}

CXAnsiString ReadString(CStreamReader& in, const char* what)
{
    const std::uint32_t length = in.Count(1, what);
    std::string text(length, '\0');
    if (length) in.Bytes(text.data(), length);
    CXAnsiString result;
    result.SetData(static_cast<int>(length), text.data());
    return result;
}

void Terminate(char* field, std::size_t size)
{
    field[size - 1] = 0;
}

// Everything the chunk can change, read whole before any of it is kept.
struct SLoadedGameData
{
    SGameCounters counters;
    bool hasArrays = false;
    std::vector<SLocStatistics> locStatistics;
    std::vector<SOrgKills> kills;
    std::vector<CName32> captured;
    std::vector<SWeaponStatistics> weapons;
    bool hasNames = false;
    CName32 building;
    CXAnsiString clanName;
    CXAnsiString playerName;
    std::vector<SLocInfo> locInfo;
    bool hasClanLook = false;
    std::int32_t clanIcon = -1;
    std::uint32_t clanColour = 0;
};

void ReadCounters(CStreamReader& in, std::uint32_t version, SGameCounters& counters)
{
    std::uint8_t block[sizeof(SGameCounters)] = {};
    if (version >= kFirstWithFullCounters)
    {
        in.Bytes(block, sizeof block);
    }
    else
    {
        std::uint8_t old[kOldCounterSize];
        in.Bytes(old, sizeof old);
        std::memcpy(block, old, kOldCounterHead);
        std::memcpy(block + offsetof(SGameCounters, ratings), old + kOldCounterHead,
                    kOldCounterSize - kOldCounterHead);
    }
    std::memcpy(&counters, block, sizeof counters);
    if (version <= kLastWithNegativeSpent)
        for (SRatingPair& rating : counters.ratings)
            rating.spent = std::fabs(rating.spent);
}

SLoadedGameData ReadChunk(CStreamReader& in)
{
    SLoadedGameData loaded;
    const std::uint32_t version = in.U32();
    if (version > CGameData::kVersion) in.Fail("version %u is newer than %u", version, CGameData::kVersion);
    if (version < kFirstWithCounters) return loaded;

    ReadCounters(in, version, loaded.counters);
    loaded.hasArrays = true;
    loaded.locStatistics = SGrowArray<SLocStatistics>::Read(in, "location statistics");
    for (SLocStatistics& record : loaded.locStatistics)
        Terminate(record.location, sizeof record.location);
    loaded.kills = SGrowArray<SOrgKills>::Read(in, "kills by organisation");
    for (SOrgKills& record : loaded.kills)
        Terminate(record.organisation, sizeof record.organisation);
    loaded.captured = SGrowArray<CName32>::Read(in, "captured locations");
    for (CName32& name : loaded.captured)
        Terminate(name.name, sizeof name.name);
    loaded.weapons = SGrowArray<SWeaponStatistics>::Read(in, "weapon statistics");
    if (version < kFirstWithNames) return loaded;

    loaded.hasNames = true;
    in.Bytes(loaded.building.name, sizeof loaded.building.name);
    Terminate(loaded.building.name, sizeof loaded.building.name);
    loaded.clanName = ReadString(in, "clan name");
    loaded.playerName = ReadString(in, "player name");
    loaded.locInfo = SGrowArray<SLocInfo>::Read(in, "location info");
    for (SLocInfo& record : loaded.locInfo)
    {
        Terminate(record.stateFile, sizeof record.stateFile);
        Terminate(record.location, sizeof record.location);
    }
    if (version < kFirstWithClanLook) return loaded;

    loaded.hasClanLook = true;
    CName32 icon;
    in.Bytes(icon.name, sizeof icon.name);
    Terminate(icon.name, sizeof icon.name);
    loaded.clanIcon = g_pModelManager ? g_pModelManager->FindName(icon.name) : -1;
    loaded.clanColour = in.U32();
    return loaded;
}
} // namespace

CGameData::CGameData()
{
    m_LocStatistics.Init(16, 8);
    m_Kills.Init(16, 8);
    m_CapturedLocations.Init(16, 8);
    m_Weapons.Init(16, 8);
    m_LocInfo.Init(16, 8);
}

// ---- events ----

void CGameData::OnMechDie()
{
    XTRACE("CGameData::OnMechDie");
    ++m_Counters.mechDeaths;
}

void CGameData::OnDestroyMachine(const CMMObject* object)
{
    XTRACE("CGameData::OnDestroyMachine");
    if (!object) return;
    if (object->m_nType == OBJ_FLYTEH)
    {
        ++m_Counters.flyersDestroyed;
        ChangeRating2(-10.0f);
    }
    else if (object->m_nType == OBJ_GATHERER)
    {
        ++m_Counters.gatherersDestroyed;
        ChangeRating2(-100.0f);
    }
}

void CGameData::OnPlayerKill(const CMech* victim)
{
    XTRACE("CGameData::OnPlayerKill");
    if (!victim) return;
    bool counted = false;
    for (SOrgKills& record : m_Kills)
        if (SameName(record.organisation, victim->m_szOrg))
        {
            ++record.kills;
            counted = true;
            break;
        }
    if (!counted)
    {
        SOrgKills record;
        CopyName(record.organisation, victim->m_szOrg);
        record.kills = 1;
        m_Kills.Append(record);
    }
    const float level = static_cast<float>(victim->m_nLevel);
    const float price = victim->m_pMechanoid ? victim->m_pMechanoid->GetPrice(true) : 0.0f;
    ChangeRating2(price / (level * 1000.0f + 5000.0f) + (level + 1.0f) * level * 0.5f);
}

void CGameData::CaptureBuilding(const char* organisation, const char* /*building*/)
{
    XTRACE("CGameData::CaptureBuilding");
    if (!SameName(organisation, kPlayerOrg) || !g_pWorld) return;
    if (SLocStatistics* record = FindLocStatistics(g_pWorld->m_szLocationName)) ++record->captured;
}

void CGameData::LeaveBuilding(const char* organisation, const char* /*building*/)
{
    XTRACE("CGameData::LeaveBuilding");
    if (!SameName(organisation, kPlayerOrg) || !g_pWorld) return;
    if (SLocStatistics* record = FindLocStatistics(g_pWorld->m_szLocationName)) ++record->lost;
}

void CGameData::OnCaptureLocation(const char* location)
{
    XTRACE("CGameData::OnCaptureLocation");
    m_CapturedLocations.AddUnique(location);
}

void CGameData::OnLeaveLocation(const char* location)
{
    XTRACE("CGameData::OnLeaveLocation");
    if (!m_CapturedLocations.Contains(location))
    {
        g_ErrorLog.LogError("Location %s is not capture", location ? location : "");
        return;
    }
    m_CapturedLocations.Remove(location);
}

void CGameData::ConvictMech(const char* /*mechId*/, const char* /*organisation*/)
{
    XTRACE("CGameData::ConvictMech");
    ++m_Counters.members;
    ++m_Counters.convicted;
}

void CGameData::OnBuyGood(float price, std::int32_t count)
{
    XTRACE("CGameData::OnBuyGood");
    // A negative count taken as unsigned would be a purchase of billions.
    if (count <= 0) return;
    const float value = static_cast<float>(count) * price;
    m_Counters.goodsBought += value;
    AddRating(m_Counters.ratings[1], value * kBuyFactor);
}

void CGameData::OnSoldGood(float price, std::int32_t count, bool secondKind)
{
    XTRACE("CGameData::OnSoldGood");
    if (count <= 0) return;
    const float value = static_cast<float>(count) * price;
    if (secondKind)
    {
        m_Counters.goodsSoldSecond += value;
        AddRating(m_Counters.ratings[1], value * kSellSecondFactor);
    }
    else
    {
        m_Counters.goodsSold += value;
        AddRating(m_Counters.ratings[1], value * kBuyFactor);
    }
}

void CGameData::OnFireWeapon(std::int32_t weaponKind)
{
    XTRACE("CGameData::OnFireWeapon");
    switch (weaponKind)
    {
    case 2:
        ++m_Counters.weaponsFired[0];
        break;
    case 4:
        ++m_Counters.weaponsFired[1];
        break;
    case 9:
        ++m_Counters.weaponsFired[2];
        break;
    default:
        break;
    }
}

void CGameData::OnSpendMoney(float amount, std::int32_t kind)
{
    XTRACE("CGameData::OnSpendMoney");
    switch (kind)
    {
    case 1:
        m_Counters.spent1 += amount;
        break;
    case 2:
        m_Counters.spent2 += amount;
        break;
    case 3:
        m_Counters.spent3 += amount;
        break;
    default:
        break;
    }
}

void CGameData::OnShoot(float amount, std::int32_t gunType)
{
    XTRACE("CGameData::OnShoot");
    if (SWeaponStatistics* record = FindWeapon(gunType))
    {
        record->shots += amount;
        return;
    }
    SWeaponStatistics record;
    record.shots = amount;
    record.gunType = gunType;
    m_Weapons.Append(record);
}

void CGameData::OnDamageObject(float damage, std::int32_t gunType)
{
    XTRACE("CGameData::OnDamageObject");
    if (SWeaponStatistics* record = FindWeapon(gunType))
        record->damage += damage;
    else
        g_ErrorLog.LogError("We can not shooting at %s", GunName(gunType));
}

// ---- career ----

void CGameData::OnNewGame()
{
    XTRACE("CGameData::OnNewGame");
    m_ClanName = "";
    m_PlayerName = kNewPlayerName;
    m_LocInfo.Clear();
    m_LocStatistics.Clear();
    m_Kills.Clear();
    m_CapturedLocations.Clear();
    m_Counters = SGameCounters{};
    m_Weapons.Init(5, 2);
    for (std::int32_t type = 0; type < 5; ++type)
    {
        SWeaponStatistics record;
        record.gunType = type;
        m_Weapons.Append(record);
    }
    UpdatePlayerClass();
}

void CGameData::SaveToStream(CMemStream& stream) const
{
    XTRACE("CGameData::SaveToStream");
    WriteU32(stream, kVersion);
    stream.Write(&m_Counters, sizeof m_Counters);
    m_LocStatistics.Write(stream);
    m_Kills.Write(stream);
    m_CapturedLocations.SaveToStream(stream);
    m_Weapons.Write(stream);
    stream.Write(m_BuildingName.name, sizeof m_BuildingName.name);
    WriteString(stream, m_ClanName);
    WriteString(stream, m_PlayerName);
    m_LocInfo.Write(stream);
    const CName32 icon = MakeName32(g_pModelManager ? g_pModelManager->GetNameOrDefault(m_nClanIcon)
                                                    : DefaultManager::kDefaultName);
    stream.Write(icon.name, sizeof icon.name);
    WriteU32(stream, m_nClanColour);
}

void CGameData::LoadFromStream(CMemStream& stream)
{
    XTRACE("CGameData::LoadFromStream");
    CStreamReader in(stream, "GAMEDATA");
    SLoadedGameData loaded = ReadChunk(in);

    m_Counters = loaded.counters;
    if (loaded.hasArrays)
    {
        m_LocStatistics.Assign(loaded.locStatistics);
        m_Kills.Assign(loaded.kills);
        m_CapturedLocations.Assign(loaded.captured);
        m_Weapons.Assign(loaded.weapons);
    }
    else
    {
        m_LocStatistics.Clear();
        m_Kills.Clear();
        m_CapturedLocations.Clear();
        m_Weapons.Clear();
    }
    if (loaded.hasNames)
    {
        m_BuildingName = loaded.building;
        m_ClanName = loaded.clanName;
        m_PlayerName = loaded.playerName;
        m_LocInfo.Assign(loaded.locInfo);
    }
    if (loaded.hasClanLook)
    {
        m_nClanIcon = loaded.clanIcon;
        m_nClanColour = loaded.clanColour;
    }
    UpdatePlayerClass();
}

// ---- ratings ----

void CGameData::RatingToLevel(float points, std::int32_t& level, float& fraction)
{
    level = 0;
    fraction = 0.0f;
    if (!(points > 0.0f)) return;
    for (std::int32_t i = 1; i < kRatingLevels; ++i)
        if (points < kRatingThresholds[i])
        {
            level = i;
            const float low = kRatingThresholds[i - 1];
            fraction = std::min((points - low) / (kRatingThresholds[i] - low), 0.99f);
            return;
        }
    level = kRatingLevels - 1;
    fraction = 1.0f;
}

float CGameData::SpotLevel(float points)
{
    std::int32_t level = 0;
    float fraction = 0.0f;
    RatingToLevel(points, level, fraction);
    return std::max(static_cast<float>(level) + fraction, 1.0f);
}

std::int32_t CGameData::SpotToRating(const SRatingPair& rating)
{
    XTRACE("CGameData::SpotToRating");
    return static_cast<std::int32_t>(SpotLevel(rating.points - rating.spent) + 0.5f);
}

void CGameData::AddRating(SRatingPair& rating, float amount)
{
    XTRACE("CGameData::AddRating");
    if (amount < 0.0f)
    {
        g_ErrorLog.LogError("Fail for increase rating on %1.0f", amount);
        return;
    }
    rating.points += amount;
    UpdatePlayerClass();
}

void CGameData::DeductRating(SRatingPair& rating, float amount)
{
    XTRACE("CGameData::DeductRating");
    if (rating.points - rating.spent >= amount)
        rating.spent += amount;
    else
        rating.spent = rating.points;
    UpdatePlayerClass();
}

void CGameData::ChangeRating(int kind, float amount)
{
    XTRACE("CGameData::ChangeRating");
    if (kind < 0 || kind > 2)
    {
        g_ErrorLog.LogError("CGameData::ChangeRating: no rating of kind %d", kind);
        return;
    }
    if (amount > 0.0f)
        AddRating(m_Counters.ratings[kind], amount);
    else
        DeductRating(m_Counters.ratings[kind], -amount);
}

float CGameData::GetRatingLevel(int kind) const
{
    XTRACE("CGameData::GetRatingLevel");
    if (kind < 0 || kind > 2)
    {
        g_ErrorLog.LogError("CGameData::GetRatingLevel: no rating of kind %d", kind);
        return 0.0f;
    }
    const SRatingPair& rating = m_Counters.ratings[kind];
    return std::max(SpotLevel(kind == 1 ? rating.points : rating.points - rating.spent), 0.0f);
}

void CGameData::SetRatingLevel(int kind, int level)
{
    XTRACE("CGameData::SetRatingLevel");
    if (kind < 0 || kind > 2)
    {
        g_ErrorLog.LogError("CGameData::SetRatingLevel: no rating of kind %d", kind);
        return;
    }
    if (level < 1 || level > kRatingLevels)
    {
        g_ErrorLog.LogError("CGameData::SetRatingLevel: level %d is outside 1..%d", level, kRatingLevels);
        level = std::clamp(level, 1, kRatingLevels);
    }
    m_Counters.ratings[kind].points = kRatingThresholds[level - 1];
    m_Counters.ratings[kind].spent = 0.0f;
    UpdatePlayerClass();
}

void CGameData::UpdatePlayerClass()
{
    CPlayerMech* player = PlayerRecord();
    if (!player) return;
    const float l0 = GetRatingLevel(0);
    const float l1 = GetRatingLevel(1);
    const float l2 = GetRatingLevel(2);
    player->m_nRatingClass = l2 > l1 && l2 > l0 ? 2 : (l1 > l0 ? 1 : 0);
    SetMechLevel(*player, l2);
}

void CGameData::SetMechLevel(CMech& record, float level)
{
    record.m_fLevel = level;
    record.m_nLevel = static_cast<std::int32_t>(level);
    record.m_nBaseLevel = record.m_nLevel;
}

// ---- locations and statistics ----

SLocInfo* CGameData::FindLocInfo(const char* location)
{
    for (SLocInfo& record : m_LocInfo)
        if (SameName(record.location, location)) return &record;
    return nullptr;
}

SLocInfo& CGameData::GetLocInfo(const char* location)
{
    XTRACE("CGameData::GetLocInfo");
    if (SLocInfo* record = FindLocInfo(location)) return *record;
    SLocInfo record;
    CopyName(record.location, location);
    return m_LocInfo.Append(record);
}

SLocStatistics* CGameData::FindLocStatistics(const char* location)
{
    for (SLocStatistics& record : m_LocStatistics)
        if (SameName(record.location, location)) return &record;
    return nullptr;
}

SWeaponStatistics* CGameData::FindWeapon(std::int32_t gunType)
{
    for (SWeaponStatistics& record : m_Weapons)
        if (record.gunType == gunType) return &record;
    return nullptr;
}

void CGameData::GetStatistics(const char* location, SGameStatistics& out, bool withRatios)
{
    XTRACE("CGameData::GetStatistics");
    CPlayerMech* player = PlayerRecord();
    if (player && player->m_pMechanoid) m_Counters.configValue = player->m_pMechanoid->GetPrice(true);

    if (withRatios)
        for (const SWeaponStatistics& record : m_Weapons)
            if (record.gunType >= 0 && record.gunType < 5)
                out.weaponRatios[record.gunType] = record.damage / std::max(record.shots, 0.01f);

    out.questsActive = out.questsCompleted = out.questsFailed = 0;
    if (g_pQuestLog)
        for (const SQuestRecord& quest : g_pQuestLog->GetQuests())
        {
            if (quest.completed)
                ++out.questsCompleted;
            else if (quest.failed)
                ++out.questsFailed;
            else
                ++out.questsActive;
        }

    SLocStatistics* record = FindLocStatistics(location);
    if (!record)
    {
        SLocStatistics fresh;
        CopyName(fresh.location, location);
        record = &m_LocStatistics.Append(fresh);
    }

    if (g_pWorld)
    {
        float total = 0.0f, own = 0.0f;
        for (const auto& organisation : g_pWorld->m_Organizations)
        {
            const SOrgData* data = organisation->GetData();
            if (data && data->outOfLocation) continue;
            SOrgStatistics statistics;
            if (!g_pWorld->GetOrgStatistics(organisation->GetName(), &statistics)) continue;
            total += statistics.power;
            if (SameName(organisation->GetName(), kPlayerOrg))
            {
                m_Counters.members = static_cast<std::uint32_t>(std::max(statistics.counters[0], 0));
                own = statistics.power;
            }
        }
        record->playerShare = total > 0.0f ? own / total : 0.0f;
    }

    m_Counters.capturedLocations = m_CapturedLocations.count;
    const SGameCounters& c = m_Counters;
    const float money[7] = {c.goodsBought, c.goodsSold, c.goodsSoldSecond, c.spent1,
                            c.configValue, c.spent2,    c.spent3};
    std::copy(std::begin(money), std::end(money), out.money);
    for (int kind = 0; kind < 3; ++kind)
    {
        out.ratings[kind * 2] = c.ratings[kind].points;
        out.ratings[kind * 2 + 1] = c.ratings[kind].spent;
    }
    out.flyersDestroyed = c.flyersDestroyed;
    out.gatherersDestroyed = c.gatherersDestroyed;
    std::copy(std::begin(c.weaponsFired), std::end(c.weaponsFired), out.weaponsFired);
    out.playerShare = record->playerShare;
    out.buildingsCaptured = record->captured;
    out.buildingsLost = record->lost;
    out.members = c.members;
    out.capturedLocations = c.capturedLocations;
    out.mechDeaths = c.mechDeaths;
    out.convicted = c.convicted;
    out.kills = &m_Kills;
}

void CGameData::ApplyClanLook()
{
    XTRACE("CGameData::ApplyClanLook");
    CPlayerMech* player = PlayerRecord();
    if (!player || !g_pWorld->FindOrganization(player->m_szOrg) || !g_pOrgManager) return;
    g_pOrgManager->SetClanLook(g_pOrgManager->FindByName(player->m_szOrg), m_nClanColour, m_nClanIcon);
}

// ---- the scripts' calls ----

void InstallGameDataCalls()
{
    g_ScriptGameCalls.changeRating = [](int kind, int amount)
    { g_GameData.ChangeRating(kind, static_cast<float>(amount)); };
    g_ScriptGameCalls.setPlayerName = [](const char* name) { g_GameData.m_PlayerName = name ? name : ""; };
    g_ScriptGameCalls.ratingLevel = [](int kind) { return g_GameData.GetRatingLevel(kind); };
    // A key is a single ticket; a key given for good is the subscription.
    g_ScriptGameCalls.addLocationKey = [](const char* location, bool oneMore)
    {
        SLocInfo& info = g_GameData.GetLocInfo(location);
        if (oneMore)
            ++info.tickets;
        else
            info.subscription = 1;
    };
    g_ScriptGameCalls.locationHasKey = [](const char* location)
    {
        const SLocInfo* info = g_GameData.FindLocInfo(location);
        return info && (info->tickets > 0 || info->subscription);
    };
    g_pfnLocationMapRevealed = []
    {
        if (g_pWorld) g_GameData.GetLocInfo(g_pWorld->m_szLocationName).mapBought = 1;
    };
    if (auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager))
    {
        SNameSources names;
        names.playerName = [] { return std::string(g_GameData.m_PlayerName.GetText()); };
        names.clanName = [] { return std::string(g_GameData.m_ClanName.GetText()); };
        names.buildingName = [] { return std::string(g_GameData.m_BuildingName.name); };
        names.buildingOwner = [](const char* building, std::string& owner)
        {
            const SBuildingRecord* record = g_pWorld ? g_pWorld->FindBuilding(building) : nullptr;
            if (!record) return false;
            owner.assign(record->owner, strnlen(record->owner, sizeof record->owner));
            return true;
        };
        names.ratingLevel = [] { return static_cast<int>(g_GameData.GetRatingLevel(2)); };
        scripts->SetNameSources(std::move(names));
    }
    if (auto* texts = dynamic_cast<CTextDB*>(g_pTextDB))
        texts->SetClanNameSource([] { return std::string(g_GameData.m_ClanName.GetText()); });
}

void RemoveGameDataCalls()
{
    g_ScriptGameCalls.changeRating = nullptr;
    g_ScriptGameCalls.setPlayerName = nullptr;
    g_ScriptGameCalls.ratingLevel = nullptr;
    g_ScriptGameCalls.addLocationKey = nullptr;
    g_ScriptGameCalls.locationHasKey = nullptr;
    g_pfnLocationMapRevealed = nullptr;
    if (auto* scripts = dynamic_cast<CScriptManager*>(g_pScriptManager)) scripts->SetNameSources({});
    if (auto* texts = dynamic_cast<CTextDB*>(g_pTextDB)) texts->SetClanNameSource(nullptr);
}
