// The console base's information texts: the organisation page, the
// mechanoid card and the conviction of a mechanoid.
#include "menus/GMenu.h"

#include "app/GameData.h"
#include "app/MMAppEvent.h"
#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "hud/radar/Radar.h"
#include "menus/MenuTexts.h"
#include "menus/QueryMessageBox.h"
#include "menus/SimpleMessageBox.h"
#include "menus/TextFormat.h"
#include "script/game/ScriptManager.h"
#include "ui/UI.h"
#include "ui/markup/HTMLWnd.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace menus;

namespace
{
// "INT_MENU_TEXT_nn".
std::string T(int n)
{
    char key[32];
    std::snprintf(key, sizeof key, "INT_MENU_TEXT_%02d", n);
    return TextOf(key);
}

std::string Field(const char* text, std::size_t size)
{
    return std::string(text, strnlen(text, size));
}

std::string Or(const std::string& text, const char* fallback)
{
    return text.empty() ? std::string(fallback) : text;
}

std::string PlayerOrganisation()
{
    const CMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    return player ? Field(player->m_szOrg, sizeof player->m_szOrg) : std::string();
}

CMechanoid* PlayerMechanoid()
{
    return g_pPlayerGlider ? g_pPlayerGlider->m_pMechanoid : nullptr;
}

int Trunc(double value)
{
    if (!std::isfinite(value)) return 0;
    return int(std::clamp(value, -2.0e9, 2.0e9));
}
} // namespace

const char* CGMenu::RelationColour(float relation)
{
    if (relation > 0.0f) return "green";
    if (relation < -0.5f) return "red";
    if (relation < -0.3f) return "yellow";
    return "white";
}

void CGMenu::ShowOrgInfo(const char* organisation, bool flag)
{
    XTRACE("CGMenu::ShowOrgInfo");
    if (!m_pHTML || !g_pWorld || !organisation) return;
    SOrgStatistics s;
    if (!g_pWorld->GetOrgStatistics(organisation, &s)) return;
    m_OrgStats = s;
    const std::string org = organisation;
    const std::int32_t members = s.counters[0];
    const std::int32_t active = s.counters[1], killed = s.counters[2];
    const std::int32_t* c = s.counters + 3; // C1 .. C5
    const std::int32_t buildings = s.buildings;
    const bool away = s.standing[0] != 0, fallen = s.standing[1] != 0;
    const float timer = s.value;

    m_pHTML->HTMLClear();
    std::string page = T(2) + "<color=green>";
    if (fallen)
        page += T(3);
    else if (timer > 0.0f)
        page += T(4);
    else if (timer < 0.0f)
        page += T(5);
    else if (away)
        page += T(6);
    else
        page += T(7);
    page += "<color><br>";
    if (timer > 0.0f) page += FormatGameText(T(8).c_str(), {1 + Trunc(timer / 120.0f)});
    std::string leader = Field(s.leader, sizeof s.leader);
    if (leader == "PLAYER") leader = g_GameData.m_PlayerName.GetText();
    page += T(9) + "<color=green>" + Or(leader, " - ") + "<color><br>";
    page += T(10) + "<color=green>" + Or(Field(s.unused, sizeof s.unused), " - ") + "<color><br>";
    page += FormatGameText(T(11).c_str(), {buildings});
    const std::string key = Field(s.name, sizeof s.name);
    page += T(12) + "<color=green>" + (key.empty() ? std::string(" - ") : DisplayName(key.c_str())) +
            "<color><br>";
    page += FormatGameText(T(13).c_str(), {s.power});

    std::string relations;
    const SOrgStatistics::SRelation* best = nullptr;
    const SOrgStatistics::SRelation* worst = nullptr;
    for (const SOrgStatistics::SRelation& r : s.relations)
    {
        const std::string name = DisplayName(Field(r.name, sizeof r.name).c_str());
        char value[96];
        std::snprintf(value, sizeof value, ": <color=%s>%3.2f<color><br>", RelationColour(r.relation),
                      double(r.relation) * 10.0);
        relations += "<icon:POINT>" + name + value;
        if (r.relation > 0.5f && (!best || r.relation > best->relation)) best = &r;
        if (r.relation < -0.5f && (!worst || r.relation < worst->relation)) worst = &r;
    }
    if (best)
        page += T(14) + "<color=green>" + DisplayName(Field(best->name, sizeof best->name).c_str()) +
                "<color><br>";
    if (worst)
        page += T(15) + "<color=red>" + DisplayName(Field(worst->name, sizeof worst->name).c_str()) +
                "<color><br>";
    const std::string heading = "<icon:MINUS>" + DisplayName(organisation);
    m_pHTML->AddEntry(page.c_str(), heading.c_str(), "clan", CHTMLWnd::kNoUserValue, nullptr, true, false);

    if (!fallen && org != "ORG_FREE")
    {
        const float v = std::clamp(s.rating, 0.0f, 10.0f);
        std::string economy = FormatGameText(T(16).c_str(), {buildings});
        economy += FormatGameText(T(17).c_str(), {v});
        economy += (v < 1.0f ? "<color=red>" + T(18) : "<color=green>" + T(19)) + "<color><br>";
        economy += (v < 3.0f ? "<color=red>" + T(20) : "<color=green>" + T(21)) + "<color><br>";
        economy += "<br>";
        float share = 0.0f;
        if (buildings != 0)
            share = std::clamp(s.tradeValue / (float(buildings) * 10000.0f) * 100.0f, 0.0f, 100.0f);
        economy += FormatGameText(T(22).c_str(), {share});
        m_pHTML->AddEntry(economy.c_str(), ("<icon:MINUS>" + T(23)).c_str(), "econom", CHTMLWnd::kNoUserValue,
                          nullptr, true, false);
        m_pHTML->CollapseBlock("econom", true);
    }
    m_pHTML->AddEntry(relations.c_str(), ("<icon:MINUS>" + T(24)).c_str(), "relation", CHTMLWnd::kNoUserValue,
                      nullptr, true, false);
    m_pHTML->CollapseBlock("relation", true);

    const std::int32_t* g = s.groupStates;
    m_pHTML->AddEntry(FormatGameText(T(25).c_str(), {g[1], g[2], g[0]}).c_str(),
                      FormatGameText(T(26).c_str(), {g[0] + g[1] + g[2]}).c_str(), "gliders",
                      CHTMLWnd::kNoUserValue, nullptr, true, false);
    m_pHTML->CollapseBlock("gliders", true);

    std::string mechanoids = FormatGameText(T(27).c_str(), {active, killed});
    if (!away) mechanoids += FormatGameText(T(28).c_str(), {c[2], c[1], c[0], c[3], std::max(c[4], 0)});
    mechanoids += "<br>";
    mechanoids += FormatGameText(T(29).c_str(), {members});
    // Its heading is the name of the entry that opens it.
    m_pHTML->AddEntry(mechanoids.c_str(), ("<icon:MINUS>" + NameOf("INT_MENU_TEXT_27")).c_str(), "mechanoids",
                      CHTMLWnd::kNoUserValue, nullptr, true, false);
    m_pHTML->CollapseBlock("mechanoids", true);

    const CMechanoid* mechanoid = PlayerMechanoid();
    const float money = mechanoid ? mechanoid->m_Garbage.m_fMoney : 0.0f;
    const bool known = g_pRadar && g_pRadar->m_ShownClans.Contains(organisation);
    if (!flag && active >= 1 && active <= 24 && money > 2000.0f && !known && org != "ORG_PLAYER")
        m_pHTML->AddEntry(FormatGameText(T(31).c_str(), {org}).c_str(), ("<icon:MINUS>" + T(30)).c_str(),
                          nullptr, CHTMLWnd::kNoUserValue, nullptr, true, false);
    m_pHTML->ScrollToTop();
}

std::string CGMenu::GetMechInfo(const char* mechName)
{
    XTRACE("CGMenu::GetMechInfo");
    CMech* mech = g_pWorld && mechName ? g_pWorld->FindMech(mechName) : nullptr;
    if (!mech) return std::string();
    const std::string org = Field(mech->m_szOrg, sizeof mech->m_szOrg);
    std::string text = T(32) + Field(mech->m_szName, sizeof mech->m_szName) + "<br>" + T(33) +
                       DisplayName(org.c_str()) + "<br>" + FormatGameText(T(34).c_str(), {mech->m_nLevel});
    std::string status;
    double number = 0.0;
    if (mech->m_nLevel == 0)
        status = T(35);
    else if (mech->m_bDead)
    {
        status = mech->m_bInBuilding ? T(37) : T(36);
        number = mech->m_fComebackTimer;
    }
    else if (mech->m_pGroup)
        status = T(38); // the group's own value is the society's: no number
    else
    {
        status = mech->m_bAssigned ? T(40) : T(39);
        number = mech->m_fOrgTimer;
    }
    if (mech->m_bInCluster)
    {
        status = T(41);
        number = 0.0;
    }
    text += T(42) + status;
    if (Trunc(number) != 0) text += FormatGameText(T(43).c_str(), {Trunc(number)});
    if (org != PlayerOrganisation() && !mech->m_bInCluster)
        text += FormatGameText(T(44).c_str(), {Trunc(mech->GetConvictPrice(2, true))});
    return text;
}

void CGMenu::ShowResultBox()
{
    if (!m_pScreen) return;
    if (m_pResultBox && m_pResultBox->GetResult() == 0)
    {
        m_pResultBox->CViewScriptResults();
        return;
    }
    m_pResultBox = std::make_unique<CSimpleMessageBox>(false);
    m_pResultBox->Init(plat::Rect{m_Rect.left + 100, m_Rect.top + 50, m_Rect.right - 100, m_Rect.bottom - 50},
                       m_pScreen);
    MakePopup(m_pResultBox.get());
}

void CGMenu::ConvictMech(const char* mechName)
{
    XTRACE("CGMenu::ConvictMech");
    CMech* mech = g_pWorld && mechName ? g_pWorld->FindMech(mechName) : nullptr;
    if (!mech) return;
    const std::string note = TextOf("INT_MENU_TEXT_45"), caption = NameOf("INT_MENU_TEXT_45");
    const std::string playerOrg = PlayerOrganisation();
    SScriptResults* results = g_pScriptManager ? g_pScriptManager->GetResults() : nullptr;
    if (Field(mech->m_szOrg, sizeof mech->m_szOrg) != playerOrg)
    {
        const float price = mech->GetConvictPrice(2, true);
        {
            // The sink's messages stay off for the conviction's run, and
            // come back on however it ends.
            CMMAppEvent::CQuietMessages quiet(dynamic_cast<CMMAppEvent*>(g_pAppEvent));
            g_pWorld->OnTryConvict(mech->m_szId, playerOrg.c_str());
        }
        const int count = results ? results->m_iResultCount : 0;
        const bool onlyJournal = count == 1 && results->m_Results[0].type == 4;
        if (count > 0 && !onlyJournal && m_pScreen)
            ShowResultBox();
        else if (Field(mech->m_szOrg, sizeof mech->m_szOrg) == playerOrg)
        {
            if (CMechanoid* player = PlayerMechanoid()) player->m_Garbage.m_fMoney -= price;
            if (m_pScreen)
            {
                m_pNoteBox.reset();
                m_pNoteBox = std::make_unique<CQueryMessageBox>();
                m_pNoteBox->Init(plat::Rect{0, 0, 350, 150}, m_pScreen,
                                 CQueryMessageBox::kFlagOK | CQueryMessageBox::kFlagCentreMain);
                m_pNoteBox->SetCaption(caption.c_str());
                m_pNoteBox->AddLine(
                    FormatGameText(note.c_str(), {Field(mech->m_szName, sizeof mech->m_szName)}).c_str());
                AddControl(m_pNoteBox.get());
                MakePopup(m_pNoteBox.get());
            }
        }
    }
    if (results)
    {
        std::memset(results->m_Results, 0, sizeof results->m_Results);
        results->m_iResultCount = 0;
    }
}
