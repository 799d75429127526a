#include "consoles/GCQuest.h"

#include "consoles/ConsoleServices.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "graphics/GraphicInterface.h"
#include "menus/LinkText.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/TextFormat.h"
#include "menus/UIMenu.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "society/MMTrade.h"
#include "ui/UI.h"
#include "ui/markup/HTMLWnd.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace menus;

namespace
{
constexpr char kRepairBlock[] = "repair";

std::string FixedText(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}
} // namespace

CGCQuest::CGCQuest()
{
    m_ClassID = MakeClassKey("CGCQuest", -1);
    std::memset(m_szLastOwner, 0xFF, 4);
}

CGCQuest::~CGCQuest()
{
    for (CControl* c : std::initializer_list<CControl*>{m_pPage.get(), m_pQuestList.get(), m_pStatus.get()})
        RemoveControl(c);
    m_pHTML = nullptr;
}

CGuidKey CGCQuest::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCQuest");
}

void CGCQuest::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CGCQuest::Init");
    CGMenu::Init(rect, screen);
    m_ClassID = MakeClassKey("CGCQuest", -1);
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    const plat::Rect page{12, 29, W - 260, H - 29};
    const plat::Rect quests{page.right + 12, page.top, W - 12, H - 249};
    const plat::Rect status{quests.left, quests.bottom + 14, quests.right, page.bottom};
    auto make = [&](const plat::Rect& r)
    {
        auto window = std::make_unique<CHTMLScrollWnd>();
        window->Init(r.left, r.top, r.right, r.bottom, screen);
        window->SetTextDB(g_pTextDB);
        AddControl(window.get());
        window->HTMLClear();
        return window;
    };
    m_pPage = make(page);
    m_pQuestList = make(quests);
    m_pStatus = make(status);
    m_pHTML = m_pPage.get();
    m_sCaption = TextOf("INT_QUEST_CAPTION_01");
    std::memset(m_szLastOwner, 0xFF, 4);
    m_fHeads = 0.0f;
    Hide();
}

bool CGCQuest::HostTabShown(int tab, bool enabled) const
{
    const auto* host = dynamic_cast<const CUIMenu*>(m_pScreen);
    if (!host || !host->GetConsole(CUIMenu::ETab(tab))) return false;
    const CMenuButton* button = host->GetTab(CUIMenu::ETab(tab));
    return button && button->m_bVisible && (!enabled || button->m_bEnabled);
}

void CGCQuest::OnActivated()
{
    XTRACE("CGCQuest::OnActivated");
    if (HasBuilding() && g_pWorld)
        if (const SBuildingRecord* record = g_pWorld->FindBuilding(m_szBuilding))
            if (!SameName(record->owner, m_szLastOwner) || IsInvalidName(m_szLastOwner))
            {
                // A new visit's page, or the building changed hands since
                // it was built: the entry events run again.
                m_bActivated = 0;
                if (m_pPage) m_pPage->HTMLClear();
                std::memcpy(m_szLastOwner, record->owner, sizeof m_szLastOwner);
            }
    CGMenu::OnActivated();
    UpdateStatus();
}

void CGCQuest::OnFirstActivation()
{
    XTRACE("CGCQuest::OnFirstActivation");
    if (m_pStatus) m_pStatus->HTMLClear();
    const std::string building = FixedText(m_szBuilding, sizeof m_szBuilding);
    CMechanoid* mech = PlayerMechanoid();
    if (mech && g_pWorld && g_pScriptManager)
    {
        // Copied first: a script may change the hold.
        const std::vector<SItemRec> hold = mech->m_Garbage.m_Items;
        for (const SItemRec& e : hold)
        {
            if (e.m_nKind != ITEM_MECHANOID) continue;
            const std::string id = FixedText(e.m_szName, sizeof e.m_szName);
            if (const CMech* carried = g_pWorld->FindMech(id.c_str()))
                g_pScriptManager->RunEvent(FixedText(carried->m_szId, sizeof carried->m_szId).c_str(),
                                           "OnPlayerMechCommit", building.c_str());
        }
    }
    UpdateStatus();
    if (g_pScriptManager) g_pScriptManager->RunEvent(building.c_str(), "OnEnterBuild", nullptr);
    m_szScriptText[0] = 0;
    ViewScriptResult();
    mech = PlayerMechanoid();
    m_fHeads = mech ? mech->CheckHeads(building.c_str(), false) : 0.0f;
}

void CGCQuest::ViewScriptResult()
{
    XTRACE("CGCQuest::ViewScriptResult");
    SScriptResults* results = g_pScriptManager ? g_pScriptManager->GetResults() : nullptr;
    if (results && m_pQuestList)
    {
        const int count = std::clamp(results->m_iResultCount, 0, SScriptResults::kCapacity);
        for (int i = 0; i < count; ++i)
        {
            const SScriptResult& r = results->m_Results[i];
            const std::string key = STextKey(FixedText(r.text, sizeof r.text).c_str()).name;
            if (r.type == 1)
            {
                const std::string target = FixedText(r.script, sizeof r.script) + "#OnQuest(" + key + ")";
                m_pQuestList->AddTextLink("<icon:QUEST>", key.c_str(), target.c_str());
            }
            else if (r.type == 0)
            {
                if (key == "ALL_GENERATED")
                    m_pQuestList->HTMLClear();
                else
                    m_pQuestList->DeleteBlock(key.c_str());
            }
        }
    }
    CGMenu::ViewScriptResult();
}

std::string CGCQuest::TradeLevelLine(float level, const std::string& label, const std::string& exhausted)
{
    if (level <= 0.01f) return "<icon:POINT><color=red>" + exhausted + "<color><br>";
    const char* colour = level <= 0.15f ? "red" : (level <= 0.5f ? "yellow" : (level < 0.8f ? "white" : "green"));
    char percent[32];
    std::snprintf(percent, sizeof percent, "%3.0f", double(level) * 100.0);
    return std::string("<icon:POINT><color=") + colour + "> " + label + percent + "%<color><br>";
}

void CGCQuest::UpdateStatus()
{
    XTRACE("CGCQuest::UpdateStatus");
    if (!m_pStatus) return;
    m_pStatus->HTMLClear();
    auto add = [&](const std::string& line, const char* block)
    {
        m_pStatus->AddEntry(line.c_str(), "", block, CHTMLWnd::kNoUserValue, nullptr, true, true);
    };
    if (HostTabShown(CUIMenu::kTabGarage, true))
    {
        const CMechanoid* mech = PlayerMechanoid();
        if (mech && mech->IsDamaged())
            add("<icon:POINT><a href=repair>" +
                    TextOf(mech->IsBadlyDamaged() ? "INT_QUEST_CAPTION_02" : "INT_QUEST_CAPTION_03") + ".</a><p>",
                kRepairBlock);
        else
            add("<icon:POINT><color=green>" + TextOf("INT_QUEST_CAPTION_04") + ".<color>", nullptr);
    }
    const std::string building = FixedText(m_szBuilding, sizeof m_szBuilding);
    bool found = false;
    const std::int32_t type = HasBuilding() ? BuildingType(building.c_str(), &found) : 0;
    std::string label, exhausted;
    if (found)
    {
        const char* keys[2] = {"INT_QUEST_CAPTION_06", "INT_QUEST_CAPTION_05"};
        if (type == 12)
            keys[0] = "INT_QUEST_CAPTION_09", keys[1] = "INT_QUEST_CAPTION_10";
        else if (type == 15)
            keys[0] = "INT_QUEST_CAPTION_11", keys[1] = "INT_QUEST_CAPTION_12";
        label = TextOf(keys[0]);
        exhausted = TextOf(keys[1]);
    }
    if (HostTabShown(CUIMenu::kTabTrade, true) && type != 5)
    {
        const float income = g_pTrade ? g_pTrade->GetBuildingIncome(building.c_str()) : 0.0f;
        add(TradeLevelLine(income / 10000.0f, label, exhausted), nullptr);
    }
    else
        add(TextOf("INT_QUEST_CAPTION_07"), nullptr);
    if (m_fHeads > 0.0f)
    {
        const std::string pattern = "<icon:POINT><color=green>" + TextOf("INT_QUEST_CAPTION_08") + "<color><br>";
        add(FormatGameText(pattern.c_str(), {m_fHeads}), nullptr);
    }
}

void CGCQuest::OnCommand(int code, int param)
{
    XTRACE("CGCQuest::OnCommand");
    if (code != CHTMLWnd::kNotifyLink)
    {
        CGMenu::OnCommand(code, param);
        return;
    }
    // The window whose link was chosen holds its target.
    std::string target;
    for (CHTMLScrollWnd* window : {m_pPage.get(), m_pQuestList.get(), m_pStatus.get()})
        if (window && !window->m_sNotifyTarget.empty())
        {
            target = window->m_sNotifyTarget;
            window->m_sNotifyTarget.clear();
        }
    for (const std::string& token : SplitLinkText(target))
    {
        if (token.size() > kMaxToken)
        {
            g_ErrorLog.LogError("CGCQuest: a link token of %zu characters (at most %zu) is not read", token.size(),
                                kMaxToken);
            continue;
        }
        if (!SameWord(token, kRepairBlock)) continue;
        if (m_pStatus) m_pStatus->DeleteBlock(kRepairBlock);
        auto* host = dynamic_cast<CUIMenu*>(m_pScreen);
        if (host && HostTabShown(CUIMenu::kTabGarage, false)) host->ShowMenu(host->GetConsole(CUIMenu::kTabGarage));
    }
    RunLink(target.c_str());
}

void CGCQuest::Render()
{
    XTRACE("CGCQuest::Render");
    if (!m_bVisible) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const plat::Rect& r = m_Rect;
    if (const auto* host = dynamic_cast<const CUIMenu*>(m_pScreen))
        if (const CMenuButton* tab = host->GetTab(CUIMenu::kTabQuest))
            FillRect(g, {tab->m_Rect.left + 1, r.top - 3, tab->m_Rect.right - 1, r.top + 1}, kBarColour);
    FillRect(g, {r.left + 24, r.bottom - 5, r.right - 24, r.bottom - 2}, kBarColour);
    CGMenu::Render();
    if (!m_pPage || !m_pQuestList || !m_pStatus) return;
    const plat::Rect& page = m_pPage->m_Rect;
    const plat::Rect& quests = m_pQuestList->m_Rect;
    FillRect(g, {page.right, page.top, quests.left, page.bottom}, kFrameFill);
    FillRect(g, {r.left + 12, r.top + 12, r.right - 12, page.top}, kFrameFill);
    FillRect(g, {r.left + 12, page.bottom, r.right - 12, r.bottom - 12}, kFrameFill);
    FillRect(g, {quests.left, quests.bottom, quests.right, m_pStatus->m_Rect.top}, kFrameFill);
    if (!g) return;
    g->SelectFont(1);
    const std::string building = DisplayName(FixedText(m_szBuilding, sizeof m_szBuilding).c_str());
    auto centred = [&](const std::string& text, int left, int right, int y)
    { g->RenderText(text.c_str(), (left + right - g->TextWidth(text.c_str())) / 2, y, 0xFFFFFFFF); };
    if (HasBuilding()) centred(building, page.left, page.right, r.top + 5);
    centred(m_sCaption, quests.left, quests.right, r.top + 9);
    g->SelectFont(0);
}
