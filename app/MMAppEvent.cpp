#include "app/MMAppEvent.h"

#include "app/GameData.h"
#include "app/InputConfig.h"
#include "app/MMApp.h"
#include "app/MMApp_Music.h"
#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "foundation/XString.h"
#include "hud/messages/Messager.h"
#include "location/Location.h"
#include "script/MMScriptManager.h"
#include "script/TextDB.h"
#include "script/game/ScriptBuiltIns.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "sound/SoundManager.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/KindManagers.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/ObjectTypes.h"
#include "world/TheThing.h"
#include "world/World.h"
#include "world/WorldTerrain.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
// Trace names of the slots that leave one on the way out of an exception.
#define SINK_TRACE(name) XTRACE("CMMAppEvent::" name)

// A fixed 32-byte name as a string (it need not end with a zero).
std::string Name32(const char* name)
{
    return name ? std::string(name, strnlen(name, 32)) : std::string();
}

// The speaker of a mech record: its display name, else its id.
std::string SpeakerName(const CMech* mech)
{
    if (!mech) return std::string();
    const std::string name = Name32(mech->m_szName);
    return name.empty() ? Name32(mech->m_szId) : name;
}
} // namespace

CMMAppEvent::CMMAppEvent(CMMApp_Music* music) : m_pMusic(music) {}

CMMAppEvent::~CMMAppEvent()
{
    if (g_pAppEvent == this) g_pAppEvent = nullptr;
    if (g_pAIEvents == this) g_pAIEvents = nullptr;
    if (g_pGroupEvents == this) g_pGroupEvents = nullptr;
    if (g_pShotEvents == this) g_pShotEvents = nullptr;
}

void CMMAppEvent::Install()
{
    g_pAppEvent = this;
    g_pAIEvents = this;
    g_pGroupEvents = this;
    g_pShotEvents = this;
}

// ---- the slots --------------------------------------------------------------------

void CMMAppEvent::RunAndShow(const char* object, const char* event, const char* argument)
{
    RunEvent(object ? object : "", event, argument);
    UpdateRuntimeScriptMessages(kMessageColour);
}

void CMMAppEvent::RunForGlider(CGliderObject* glider, const char* event)
{
    if (!glider || !glider->m_pMech) return;
    RunAndShow(Name32(glider->m_pMech->m_szId).c_str(), event, nullptr);
}

void CMMAppEvent::OnPickUp(CTheThing* thing)
{
    if (!thing) return;
    if (thing->HasGameId()) RunAndShow(Name32(thing->m_szGameId).c_str(), "OnPickUp", nullptr);
    std::string text;
    const SThingContent* first = thing->m_nContents > 0 ? &thing->m_Contents[0] : nullptr;
    if (thing->m_nKind == CTheThing::kKindMoney)
    {
        GetText("INT_PICKUP_MONEY", text);
        AddMessage(FillPlaceholder(text.c_str(), std::to_string(first ? first->amount : 0).c_str()).c_str(),
                   kMessageColour);
        return;
    }
    if (thing->m_nKind == CTheThing::kKindMechmind)
    {
        const std::string id = first ? Name32(first->name) : std::string();
        const CMech* mech = g_pWorld && !id.empty() ? g_pWorld->FindMech(id.c_str()) : nullptr;
        // A mechanoid the world does not know shows its raw id.
        const std::string speaker = mech ? SpeakerName(mech) : id;
        std::string name;
        if (!GetName(speaker.c_str(), name)) name = speaker;
        GetText("INT_PICKUP_MECH", text);
        AddMessage(FillPlaceholder(text.c_str(), name.c_str()).c_str(), kMessageColour);
        return;
    }
    GetText("INT_PICKUP_CONT", text);
    for (std::uint32_t i = 0; i < thing->m_nContents && i < CTheThing::kMaxContents; ++i)
    {
        const SThingContent& c = thing->m_Contents[i];
        const std::string good = Name32(c.name);
        std::string name;
        if (!GetName(good.c_str(), name)) name = good;
        std::string line = FillPlaceholder(text.c_str(), name.c_str());
        if (c.amount > 1) line += " (" + std::to_string(c.amount) + ")";
        AddMessage(line.c_str(), kMessageColour);
    }
}

void CMMAppEvent::OnHit(CGliderObject* glider)
{
    RunForGlider(glider, "OnHit");
}

void CMMAppEvent::OnPush(CGliderObject* glider)
{
    RunForGlider(glider, "OnPush");
}

void CMMAppEvent::OnView(CGliderObject* glider)
{
    RunForGlider(glider, "OnView");
}

void CMMAppEvent::OnTalk(CGliderObject* glider)
{
    RunForGlider(glider, "OnTalk");
}

void CMMAppEvent::SayLine(CGliderObject* glider, const char* text, bool player)
{
    std::string speaker;
    if (player)
        speaker = g_GameData.m_PlayerName.GetText();
    else if (glider)
        speaker = SpeakerName(glider->m_pMech);
    const std::string line = "<color:green>" + speaker + "<color>: " + (text ? text : "");
    AddMessage(line.c_str(), kMessageColour);
}

void CMMAppEvent::OnMechSay(CGliderObject* glider, const char* text)
{
    SayLine(glider, text, false);
}

void CMMAppEvent::OnSay(CGliderObject* glider, const char* text)
{
    SayLine(glider, text, glider && glider == static_cast<CGliderObject*>(g_pPlayerGlider));
}

void CMMAppEvent::OnEscortDie(const char* name)
{
    SINK_TRACE("OnEscortDie");
    RunAndShow(name, "OnEscortDie", nullptr);
}

void CMMAppEvent::OnEscortFar(const char* name)
{
    SINK_TRACE("OnEscortFar");
    RunAndShow(name, "OnEscortFar", nullptr);
}

void CMMAppEvent::OnEscortLeftBehind(const char* name)
{
    SINK_TRACE("OnEscortLeftBehind");
    RunAndShow(name, "OnEscortLeftBehind", nullptr);
}

void CMMAppEvent::OnEscortHit(const char* name)
{
    SINK_TRACE("OnEscortHit");
    RunAndShow(name, "OnEscortHit", nullptr);
}

void CMMAppEvent::OnPlayerHit(CMMObject* attacker)
{
    SINK_TRACE("OnPlayerHit");
    if (attacker && attacker != static_cast<CMMObject*>(static_cast<CGliderObject*>(g_pPlayerGlider)) &&
        attacker->m_nObjectNumber != -1)
    {
        m_nLastAttacker = attacker->m_nObjectNumber;
        m_nLastAttackerType = attacker->m_nType;
    }
    if (attacker && attacker->m_nType == OBJ_GLIDER && m_pMusic)
        m_pMusic->OnPlayerHit(static_cast<CGliderObject*>(attacker));
}

CMMObject* CMMAppEvent::FindLastAttacker() const
{
    return m_nLastAttacker == -1 ? nullptr : g_ObjectList.FindByNumberAndType(m_nLastAttacker, m_nLastAttackerType);
}

void CMMAppEvent::OnDestroyMachine(CMMObject* object)
{
    g_GameData.OnDestroyMachine(object);
}

void CMMAppEvent::OnPlayerKill(CMech* victim)
{
    SINK_TRACE("OnPlayerKill");
    if (!victim) return;
    RunAndShow(Name32(victim->m_szId).c_str(), "OnPlayerKill", "");
    g_GameData.OnPlayerKill(victim);
}

void CMMAppEvent::OnKill(CMech* mech)
{
    if (!mech) return;
    RunAndShow(Name32(mech->m_szId).c_str(), "OnKill", "");
}

void CMMAppEvent::OnMechDie()
{
    g_GameData.OnMechDie();
}

void CMMAppEvent::OnSensor(const char* sensor, const char* object, bool entered)
{
    const std::string who = Name32(object);
    if (who == "PLAYER")
        RunEvent(sensor ? sensor : "", entered ? "OnEnterSensor" : "OnLeaveSensor", nullptr);
    else
        RunEvent(sensor ? sensor : "", entered ? "OnEnterSensorNPC" : "OnLeaveSensorNPC", who.c_str());
    UpdateRuntimeScriptMessages(kMessageColour);
}

void CMMAppEvent::OnPlayerAttackSay(CGliderObject* glider)
{
    SINK_TRACE("OnPlayerAttackSay");
    RunForGlider(glider, "OnAttack");
}

void CMMAppEvent::OnRetreat(CGliderObject* glider)
{
    RunForGlider(glider, "OnRetreat");
}

void CMMAppEvent::OnFear(CGliderObject* glider)
{
    RunForGlider(glider, "OnFear");
}

void CMMAppEvent::OnDrop(CGliderObject* glider)
{
    RunForGlider(glider, "OnDrop");
}

void CMMAppEvent::OnProvocation(CGliderObject* glider)
{
    RunForGlider(glider, "OnProvocation");
}

void CMMAppEvent::OnRobbing(CGliderObject* glider)
{
    RunForGlider(glider, "OnRobbing");
}

void CMMAppEvent::OnAcceptConviction(CGliderObject* glider)
{
    RunForGlider(glider, "OnAcceptConviction");
}

void CMMAppEvent::OnPlayerAttackSafeZone(CGliderObject* glider)
{
    RunForGlider(glider, "OnPlayerAttackSafeZone");
}

void CMMAppEvent::OnScriptEvent(const char* object, const char* event, const char argument[32])
{
    const std::string arg = Name32(argument);
    RunAndShow(Name32(object).c_str(), event, arg.empty() ? nullptr : arg.c_str());
}

void CMMAppEvent::OnAddMoney(float amount, int kind)
{
    if (g_pMMScriptManager) g_pMMScriptManager->AddBalance(amount, kind);
}

void CMMAppEvent::OnMoneySound()
{
    PlaySound2D("SND_I_MONEY", false);
}

void CMMAppEvent::OnCollision()
{
    PlayCollisionEffect();
}

void CMMAppEvent::PlayCollisionEffect()
{
    g_InputConfig.PlayCollisionEffect();
}

void CMMAppEvent::OnEnterBuilding(const char* buildingId)
{
    g_MMEngine.m_bLeaveCycle = 1;
    auto* building = dynamic_cast<CBuildingObject*>(
        buildingId ? g_ObjectList.FindByGameId(Name32(buildingId).c_str(), OBJ_BUILDING) : nullptr);
    if (!building) return;
    std::snprintf(g_MMEngine.m_szBuildingId, sizeof g_MMEngine.m_szBuildingId, "%.31s", building->m_szGameId);
    std::snprintf(g_MMEngine.m_szBuildingName, sizeof g_MMEngine.m_szBuildingName, "%.31s",
                  building->m_szTypeName);
    g_MMEngine.m_pBuilding = building;
    g_MMEngine.m_nExitReason = CMMApp::kExitBuilding;
}

void CMMAppEvent::CaptureBuilding(const char* organisation, const char* building)
{
    SINK_TRACE("CaptureBuilding");
    char argument[32] = {};
    std::snprintf(argument, sizeof argument, "%.31s", building ? building : "");
    OnScriptEvent(organisation, "OnBuildCapture", argument);
    if (Name32(organisation) == "ORG_PLAYER")
    {
        g_GameData.CaptureBuilding(organisation, building);
        PlaySound2D("SND_I_CLUSTER_COMPLETE", false);
    }
}

void CMMAppEvent::LeaveBuilding(const char* organisation, const char* building)
{
    SINK_TRACE("LeaveBuilding");
    char argument[32] = {};
    std::snprintf(argument, sizeof argument, "%.31s", building ? building : "");
    OnScriptEvent(organisation, "OnBuildLost", argument);
    g_GameData.LeaveBuilding(organisation, building);
}

void CMMAppEvent::OnCaptureLocation(const char* organisation, const char* location)
{
    SINK_TRACE("OnCaptureLocation");
    char argument[32] = {};
    std::snprintf(argument, sizeof argument, "%.31s", location ? location : "");
    OnScriptEvent(organisation, "OnSectorControl", argument);
    if (Name32(organisation) == "ORG_PLAYER") g_GameData.OnCaptureLocation(location);
}

void CMMAppEvent::ConvictMech(const char* mechId, const char* organisation)
{
    SINK_TRACE("ConvictMech");
    const CPlayerMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    if (player && Name32(organisation) == Name32(player->m_szOrg))
        g_GameData.ConvictMech(mechId, organisation);
}

void CMMAppEvent::OnBuyGood(float price, int count)
{
    g_GameData.OnBuyGood(price, count);
}

void CMMAppEvent::OnSoldGood(float price, int count, bool secondKind)
{
    g_GameData.OnSoldGood(price, count, secondKind);
}

void CMMAppEvent::OnFireWeapon(int weaponKind)
{
    g_GameData.OnFireWeapon(weaponKind);
}

void CMMAppEvent::OnSpendMoney(float amount, int kind)
{
    g_GameData.OnSpendMoney(amount, kind);
}

void CMMAppEvent::OnShoot(float amount, int gunType)
{
    SINK_TRACE("OnShoot");
    if (gunType == 666)
    {
        g_ErrorLog.LogError("OnShoot - gtUnknown");
        return;
    }
    g_GameData.OnShoot(amount, gunType);
}

void CMMAppEvent::OnDamageObject(float damage, int gunType)
{
    SINK_TRACE("OnDamageObject");
    if (gunType == 666 || gunType == 10) return;
    g_GameData.OnDamageObject(damage, gunType);
}

// ---- the side seams ---------------------------------------------------------------

void CMMAppEvent::OnAIEvent(EAIEvent event, CGliderObject* glider)
{
    switch (event)
    {
    case AIEV_VIEW:
        OnView(glider);
        break;
    case AIEV_TALK:
        OnTalk(glider);
        break;
    case AIEV_PLAYER_ATTACK_SAY:
        OnPlayerAttackSay(glider);
        break;
    case AIEV_RETREAT:
        OnRetreat(glider);
        break;
    case AIEV_DROP:
        OnDrop(glider);
        break;
    }
}

CGliderObject* CMMAppEvent::GetPlayerGlider()
{
    return g_pPlayerGlider;
}

CMMObject* CMMAppEvent::GetLockedTarget()
{
    CGliderObject* glider = g_pPlayerGlider;
    return glider ? glider->m_pTarget : nullptr;
}

void CMMAppEvent::OnGroupEvent(const char* event, const char* id)
{
    const std::string name = event ? event : "";
    if (name == "OnEscortDie")
        OnEscortDie(id);
    else if (name == "OnEscortFar")
        OnEscortFar(id);
    else if (name == "OnEscortLeftBehind")
        OnEscortLeftBehind(id);
    else if (name == "OnEscortHit")
        OnEscortHit(id);
    else if (!name.empty())
        RunAndShow(id, name.c_str(), nullptr);
}

// ---- the script results -----------------------------------------------------------

void CMMAppEvent::UpdateRuntimeScriptMessages(int colour)
{
    SINK_TRACE("UpdateRuntimeScriptMessages");
    if (!m_bMessagesEnabled || !g_pScriptManager) return;
    SScriptResults* results = g_pScriptManager->GetResults();
    if (!results) return;
    const int count = std::min(results->m_iResultCount, SScriptResults::kCapacity);
    std::string vitalKey;
    bool vital = false;
    for (int i = 0; i < count; ++i)
    {
        const SScriptResult& r = results->m_Results[i];
        if (r.type == 3)
        {
            std::string text;
            GetText(Name32(r.text).c_str(), text);
            AddMessage(FillNames(text).c_str(), colour);
            PlaySound2D("SND_C_MESSAGE", false);
        }
        else if (r.type == 11)
        {
            // The text key in the first half of the text, the mechanoid in
            // the second; a mechanoid the world does not know says nothing.
            const std::string id = std::string(r.text + 64, strnlen(r.text + 64, 32));
            const CMech* mech = g_pWorld ? g_pWorld->FindMech(id.c_str()) : nullptr;
            if (!mech) continue;
            std::string text;
            GetText(Name32(r.text).c_str(), text);
            const std::string line = SpeakerName(mech) + ": <color=white>" + FillNames(text) + "<color>";
            AddMessage(line.c_str(), colour);
            if (IsSoundPlaying("SND_C_MESSAGE")) PlaySound2D("SND_C_MESSAGE", false);
        }
        else if (r.type == 2 && !vital)
        {
            vital = true;
            vitalKey = Name32(r.text);
        }
    }
    if (vital)
    {
        PlaySound2D("SND_C_MESSAGE_VITAL", false);
        if (!ShowVitalResults || !ShowVitalResults(vitalKey.c_str()))
            for (int i = 0; i < count; ++i)
                if (results->m_Results[i].type == 2)
                {
                    std::string text;
                    GetText(Name32(results->m_Results[i].text).c_str(), text);
                    AddMessage(FillNames(text).c_str(), colour);
                }
    }
    results->m_iResultCount = 0;
}

CMMAppEvent::CQuietMessages::CQuietMessages(CMMAppEvent* sink)
    : m_pSink(sink), m_bWas(sink && sink->m_bMessagesEnabled)
{
    if (m_pSink) m_pSink->m_bMessagesEnabled = false;
}

CMMAppEvent::CQuietMessages::~CQuietMessages()
{
    if (m_pSink) m_pSink->m_bMessagesEnabled = m_bWas;
}

std::string CMMAppEvent::FillPlaceholder(const char* text, const char* value)
{
    std::string out = text ? text : "";
    for (std::size_t i = 0; i + 1 < out.size(); ++i)
        if (out[i] == '%' && (out[i + 1] == 's' || out[i + 1] == 'd'))
        {
            out.replace(i, 2, value ? value : "");
            break;
        }
    return out;
}

// ---- the special actions ----------------------------------------------------------

bool CMMAppEvent::RunSpecialAction(int action)
{
    switch (action)
    {
    case 1:
    {
        CMechanoid* player = scriptargs::PlayerMechanoid();
        if (g_pMMScriptManager) g_pMMScriptManager->m_CurrentText = player ? Name32(player->m_szName) : "";
        return true;
    }
    case 2:
    {
        std::string name;
        if (!GetName("DEF_PLAYERNAME", name)) return false;
        if (g_pMMScriptManager) g_pMMScriptManager->m_CurrentText = name;
        if (CMechanoid* player = scriptargs::PlayerMechanoid())
            std::snprintf(player->m_szName, sizeof player->m_szName, "%s", name.c_str());
        return true;
    }
    case 3:
        ScatterPickUps();
        return true;
    case 4:
        EndCycle(CMMApp::kExitEndText2);
        return true;
    case 5:
        EndCycle(CMMApp::kExitEndText1);
        return true;
    default:
        return false;
    }
}

void CMMAppEvent::ScatterPickUps()
{
    int width = 0, height = 0;
    GetMapSize(&width, &height);
    if (width <= 0 || height <= 0) return;
    const int count = static_cast<int>(static_cast<double>(width) * height * 0.000001);
    const CVector camera = GetCameraPosition();
    for (int n = 0; n < count; ++n)
    {
        bool placed = false;
        for (int draw = 0; draw < kMaxScatterDraws && !placed; ++draw)
        {
            // The world's ground plane is (x, y), its up axis z.
            const float x = static_cast<float>(static_cast<int>(g_Random.Next() % std::uint32_t(width)) * 10);
            const float y =
                static_cast<float>(static_cast<int>(g_Random.Next() % std::uint32_t(height)) * 10);
            float ground = 0.0f, up = 0.0f;
            if (!GetGround(x, y, &ground, &up) || up < 0.9f) continue;
            const float dx = x - camera.x, dy = y - camera.y;
            if (dx * dx + dy * dy < 160000.0f) continue;
            CreatePickUp(g_Random.Random(1.0f) < 0.1f ? "TT_MONEY" : "TT_CONTAINER_WHITE",
                         CVector{x, y, ground + 1.0f});
            placed = true;
        }
        if (!placed)
        {
            g_ErrorLog.LogError("CMMAppEvent: no open ground for a pick-up after %d draws", kMaxScatterDraws);
            return;
        }
    }
}

// ---- what the sink does outside itself --------------------------------------------

void CMMAppEvent::RunEvent(const char* object, const char* event, const char* argument)
{
    if (g_pScriptManager) g_pScriptManager->RunEvent(object, event, argument);
}

void CMMAppEvent::AddMessage(const char* line, int colour)
{
    if (g_pMessager) g_pMessager->AddMessage(CXAnsiString(line), colour, nullptr);
}

void CMMAppEvent::PlaySound2D(const char* name, bool loop)
{
    if (g_pSoundManager) g_pSoundManager->Play2D(name, loop);
}

bool CMMAppEvent::IsSoundPlaying(const char* name)
{
    if (!g_pSoundManager) return false;
    const std::int32_t index = g_pSoundManager->Lookup(name);
    return index >= 0 && g_pSoundManager->IsPlaying(index);
}

bool CMMAppEvent::GetText(const char* key, std::string& text)
{
    CXAnsiString found;
    if (!g_pTextDB || !g_pTextDB->GetText(STextKey(key), found))
    {
        text = key ? key : "";
        return false;
    }
    text = found.GetText();
    return true;
}

bool CMMAppEvent::GetName(const char* key, std::string& name)
{
    CXAnsiString found;
    if (!g_pTextDB || !g_pTextDB->GetName(STextKey(key), found)) return false;
    name = found.GetText();
    return true;
}

std::string CMMAppEvent::FillNames(const std::string& text)
{
    if (!g_pScriptManager) return text;
    CXAnsiString filled(text.c_str());
    g_pScriptManager->UpdateStringWithNames(filled);
    return filled.GetText();
}

void CMMAppEvent::GetMapSize(int* width, int* height)
{
    *width = g_Location.m_nWidth;
    *height = g_Location.m_nHeight;
}

bool CMMAppEvent::GetGround(float x, float y, float* height, float* up)
{
    if (!g_pWorldTerrain) return false;
    const CVector at{x, y, 0.0f};
    CVector normal;
    if (!g_pWorldTerrain->GetHeight(at, height) || !g_pWorldTerrain->GetTriangleNormal(at, &normal))
        return false;
    *up = normal.z;
    return true;
}

CVector CMMAppEvent::GetCameraPosition()
{
    return g_pCameraObject ? static_cast<CMMObject*>(g_pCameraObject)->GetPosition() : CVector{};
}

void CMMAppEvent::CreatePickUp(const char* type, const CVector& at)
{
    CMatrix placement(1.0f);
    placement.SetTranslation(at);
    g_ThingManager.CreateObject(type, &placement, nullptr);
}

void CMMAppEvent::EndCycle(int reason)
{
    g_MMEngine.m_bLeaveCycle = 1;
    g_MMEngine.m_nExitReason = reason;
}
