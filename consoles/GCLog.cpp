#include "consoles/GCLog.h"

#include "consoles/ConsoleServices.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "location/Environment.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/TextFormat.h"
#include "menus/UIMenu.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "ui/UI.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>

using plat::Rect;

namespace
{
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kBar = 0x26FFFFFF;
constexpr std::uint32_t kGold = 0xFFD09E41;
constexpr const char* kGreen = "<color:green>";
constexpr const char* kIndent = "        ";
constexpr int kTabIcons[3] = {77, 81, 80};
constexpr const char* kTabTips[3] = {"INT_LOG_TOOLTIP_01", "INT_LOG_TOOLTIP_02", "INT_LOG_TOOLTIP_03"};
constexpr const char* kGroupTitles[7] = {"INT_LOG_TOOLTIP_04", "INT_LOG_TOOLTIP_05", "INT_LOG_TOOLTIP_06",
                                         "INT_LOG_TOOLTIP_07", "INT_LOG_TOOLTIP_08", "INT_LOG_TOOLTIP_09",
                                         "INT_LOG_TOOLTIP_10"};
constexpr std::size_t kNameLength = 31;

std::string T(int n)
{
    char key[32];
    std::snprintf(key, sizeof key, "INT_LOG_TEXT_%02d", n);
    return menus::TextOf(key);
}

int Whole(float x)
{
    return std::isfinite(x) ? int(std::trunc(std::clamp(x, -2.0e9f, 2.0e9f))) : 0;
}

int Nearest(float x)
{
    return Whole(x + 0.5f);
}

std::string Line(const char* format, const char* prefix, const std::string& label, int value,
                 const std::string& tail = "")
{
    char text[512];
    if (std::strcmp(format, "A") == 0)
        std::snprintf(text, sizeof text, "%s%s<halign=right>%s%5d<color></halign>", prefix, label.c_str(), kGreen,
                      value);
    else if (std::strcmp(format, "A+") == 0)
        std::snprintf(text, sizeof text, "%s%s<halign=right>%s%5d<color></halign>%s", prefix, label.c_str(), kGreen,
                      value, tail.c_str());
    else if (std::strcmp(format, "B") == 0)
        std::snprintf(text, sizeof text, "%s%s%s<halign=right>%5d<color></halign>", prefix, label.c_str(), kGreen,
                      value);
    else
        std::snprintf(text, sizeof text, "%s%s%s<halign=right>%5d%%<color></halign>", prefix, label.c_str(), kGreen,
                      value);
    return text;
}

// The threshold of the next rating level (the table's last for the top).
float Threshold(float level)
{
    const int index = std::clamp(Whole(level), 0, CGameData::kRatingLevels - 1);
    return CGameData::kRatingThresholds[index];
}

std::string Name32(const char* field)
{
    return std::string(field, strnlen(field, 32));
}

bool SameWord(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}
} // namespace

CGCLog::CGCLog()
{
    m_ClassID = MakeClassKey("CGCLog", -1);
}

CGCLog::~CGCLog()
{
    for (auto& tab : m_pTabs)
        if (tab) RemoveControl(tab.get());
    if (m_pDetail) RemoveControl(m_pDetail.get());
    if (m_pList) RemoveControl(m_pList.get());
    m_pHTML = nullptr;
}

CGuidKey CGCLog::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCLog");
}

const char* CGCLog::LocationName() const
{
    return g_pWorld ? g_pWorld->m_szLocationName : "";
}

void CGCLog::Init(const Rect& rect, IUI* screen)
{
    XTRACE("CGCLog::Init");
    CGMenu::Init(rect, screen);
    m_ClassID = MakeClassKey("CGCLog", -1);
    std::memset(m_szBuilding, 0, sizeof m_szBuilding);
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;

    m_pDetail = std::make_unique<CHTMLScrollWnd>();
    m_pDetail->Init(12, 29, W - 260, H - 29, screen);
    m_pList = std::make_unique<CHTMLScrollWnd>();
    m_pList->Init(W - 260 + 7, 29, W - 12, H - 29, screen);
    m_pDetail->SetTextDB(g_pTextDB);
    m_pList->SetTextDB(g_pTextDB);
    m_pDetail->HTMLClear();
    m_pList->HTMLClear();
    m_pHTML = m_pDetail.get();

    // The tabs in a row above the list window, centred on it.
    const int listLeft = W - 260 + 7, listWidth = W - 12 - listLeft;
    const int first = listLeft + (listWidth - 123) / 2;
    for (int i = 0; i < 3; ++i)
    {
        auto tab = std::make_unique<CMenuButton>();
        const int left = first + 41 * i;
        tab->Create(left, 29 - 25, left + 39, 29, "", CButton::kPush, kStatisticsTab - 2 + i);
        tab->SetClickSound(-1);
        tab->m_nPicture = kTabIcons[i];
        tab->SetToolTip(menus::TextOf(kTabTips[i]).c_str());
        m_pTabs[i] = std::move(tab);
    }
    m_sGliderTitle = menus::TextOf("INT_LOG_TOOLTIP_11").c_str();
    for (auto& tab : m_pTabs)
        AddControl(tab.get());
    AddControl(m_pDetail.get());
    AddControl(m_pList.get());
    Hide();

    m_StatGroups = CStringPairArray(5, 1);
    for (int i = 0; i < 7; ++i)
        m_StatGroups.Add(kGroupIds[i], menus::TextOf(kGroupTitles[i]).c_str());
    g_GameData.GetStatistics(LocationName(), m_Stats, true);
    m_bGliderMenu = 0;
}

// ---- pages --------------------------------------------------------------------------

void CGCLog::SetPage(int page)
{
    for (int i = 0; i < 3; ++i)
        if (m_pTabs[i]) m_pTabs[i]->m_bSelected = i == page - 1;
    const int previous = m_nPage;
    m_nPage = page;
    if (page == previous) return;
    if (previous != -1) ConsoleEvents().Play2D("SND_I_FOLDER");
    Refresh();
}

void CGCLog::OnFirstActivation()
{
    XTRACE("CGCLog::OnFirstActivation");
    if (g_pScriptManager)
    {
        g_pScriptManager->RunEvent(m_szBuilding, "OnEnterLog", "");
        std::snprintf(m_szScriptText, sizeof m_szScriptText, "%s", g_pScriptManager->GetCurrentScript());
    }
    ViewScriptResult();
    SetPage(2);
}

void CGCLog::OnActivated()
{
    XTRACE("CGCLog::OnActivated()");
    CGMenu::OnActivated();
    g_GameData.GetStatistics(LocationName(), m_Stats, false);
    SetPage(2);
    RefreshHTML();
}

void CGCLog::RefreshHTML()
{
    XTRACE("CGCLog::RefreshHTML");
    if (!m_pList || !m_pDetail) return;
    m_pList->HTMLClear();
    m_pDetail->HTMLClear();
    IQuestLog* log = g_pQuestLog;
    if (m_nPage == 1 && log)
    {
        std::string first;
        const SGrowArray<SQuestRecord>& quests = log->GetQuests();
        for (std::uint32_t i = 0; i < quests.count; ++i)
        {
            const SQuestRecord& quest = quests.data[i];
            if (quest.failed || quest.completed) continue;
            const std::string id = Name32(quest.id);
            const std::string icon = quest.timer[0] ? "<icon:TIMER>" : "<icon:QUEST>";
            const std::string line =
                icon + "<a href=QUEST" + id + ">" + menus::NameOf(id.c_str()) + "</a><p>";
            m_pList->AddEntry(line.c_str(), "", nullptr, 0, nullptr, true, true);
            if (first.empty()) first = id;
        }
        if (!first.empty()) ShowQuest(first.c_str());
    }
    else if (m_nPage == 2 && log)
    {
        std::vector<SQuestEntry> entries;
        log->GetEntries(entries);
        if (CHTMLObject* document = m_pList->GetDocument()) document->m_bUseLinkColors = 0;
        struct SPass
        {
            bool fresh;
            int kind;
            const char* colour;
        };
        constexpr SPass kPasses[] = {{true, -1, "yellow"}, {false, 1, "blue"}, {false, 0, "white"}, {false, 2, "green"}};
        std::string first;
        for (const SPass& pass : kPasses)
            for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            {
                const bool fresh = it->updated != 0;
                if (fresh != pass.fresh || (!pass.fresh && it->state != pass.kind)) continue;
                const std::string name = Name32(it->name);
                const std::string line = std::string("<icon:POINT><color=") + pass.colour + "><a href=QUEST" + name +
                                         ">" + menus::NameOf(name.c_str()) + "</a><color><p>";
                m_pList->AddEntry(line.c_str(), "", nullptr, 0, nullptr, true, true);
                if (first.empty()) first = name;
            }
        if (!first.empty()) ShowQuest(first.c_str());
        m_pList->ScrollToTop();
    }
    else if (m_nPage == 3)
    {
        FillStat();
        ClickLink("AllStat");
    }
}

void CGCLog::TimeLeft(float endDay, float nowDay, int* hours, int* minutes)
{
    const double left = (double(endDay) - double(nowDay)) * 24.0;
    const int h = int(std::trunc(left));
    *hours = h;
    *minutes = int(std::trunc((left - h) * 60.0 + 1e-6 * (left >= 0 ? 1 : -1)));
}

void CGCLog::ShowQuest(const char* questName)
{
    XTRACE("CGCLog::ShowQuest");
    if (!m_pDetail) return;
    m_pDetail->HTMLClear();
    IQuestLog* log = g_pQuestLog;
    if (!log) return;
    char name[32] = {};
    std::memcpy(name, questName, strnlen(questName, kNameLength));
    SQuestRecord* quest = log->FindQuest(name);
    if (quest) m_pDetail->AddTextBlock(Name32(quest->titleKey).c_str(), nullptr, true);
    if (SQuestEntry* entry = log->FindEntry(name))
    {
        m_pDetail->AddTextBlock(Name32(entry->name).c_str(), nullptr, true);
        entry->updated = 0;
    }
    std::vector<std::string> parts;
    log->GetParts(name, parts);
    for (const std::string& key : parts)
        m_pDetail->AddTextBlock(key.c_str(), nullptr, true);
    if (quest)
    {
        if (quest->failed) m_pDetail->AddTextBlock("INT_QUEST_FAIL", nullptr, true);
        if (quest->completed) m_pDetail->AddTextBlock("INT_QUEST_COMPLETE", nullptr, true);
        const std::string timerName = Name32(quest->timer);
        if (!timerName.empty())
        {
            const SScriptTimer* timer = nullptr;
            if (m_FindTimer)
                timer = m_FindTimer(timerName.c_str());
            else if (auto* manager = dynamic_cast<CScriptManager*>(g_pScriptManager))
                timer = manager->FindTimer(timerName.c_str());
            if (timer)
            {
                int hours = 0, minutes = 0;
                TimeLeft(timer->fireDay, m_GameClock ? m_GameClock() : g_Environment.m_fDays, &hours, &minutes);
                const std::string line = FormatGameText(menus::TextOf("INT_TIMELEFT").c_str(), {hours, minutes});
                m_pDetail->AddEntry(line.c_str(), "", nullptr, 0, nullptr, true, true);
            }
        }
    }
    m_pDetail->ScrollToTop();
}

// ---- statistics ---------------------------------------------------------------------

void CGCLog::FillStat()
{
    XTRACE("CGCLog::FillStat");
    for (int i = 0; i < m_StatGroups.GetCount(); ++i)
        AddStatGroup(m_StatGroups.GetAt(i));
}

void CGCLog::AddStatGroup(const SStringPair* group)
{
    XTRACE("CGCLog::AddStatGroup");
    if (!group || !m_pList) return;
    const std::string line = std::string("<icon:POINT><a href=") + group->first.GetText() + ">" +
                             group->second.GetText() + "</a><p>";
    m_pList->AddEntry(line.c_str(), "", group->first.GetText(), 0, nullptr, true, true);
}

const SStringPair* CGCLog::FindGroup(const std::string& id) const
{
    for (int i = 0; i < m_StatGroups.GetCount(); ++i)
        if (id == m_StatGroups.GetAt(i)->first.GetText()) return m_StatGroups.GetAt(i);
    return nullptr;
}

std::vector<std::string> CGCLog::StatLines(const std::string& id) const
{
    const SGameStatistics& s = m_Stats;
    std::vector<std::string> lines;
    if (id == "GlidersStat")
    {
        int total = 0;
        if (s.kills)
            for (std::uint32_t i = 0; i < s.kills->count; ++i)
                total += s.kills->data[i].kills;
        lines.push_back(Line("A+", "", T(3), total, total != 0 ? T(4) : ""));
        if (s.kills)
            for (std::uint32_t i = 0; i < s.kills->count; ++i)
                lines.push_back(Line("A", kIndent, menus::NameOf(Name32(s.kills->data[i].organisation).c_str()),
                                     s.kills->data[i].kills));
        lines.push_back(Line("A", "", T(2), int(s.convicted)));
        lines.push_back(Line("A", "", T(1), int(s.mechDeaths)));
    }
    else if (id == "FightStat")
    {
        for (int i = 0; i < 5; ++i)
            lines.push_back(Line("P", "", T(8 + i), Whole(s.weaponRatios[i] * 100.0f)));
        for (int i = 0; i < 3; ++i)
            lines.push_back(Line("B", "", T(5 + i), int(s.weaponsFired[i])));
    }
    else if (id == "TradeStat")
    {
        // The record keeps the configuration's price fifth; it is shown last.
        constexpr int kOrder[7] = {0, 1, 2, 3, 5, 6, 4};
        for (int i = 0; i < 7; ++i)
            lines.push_back(Line("B", "", T(13 + i), Whole(s.money[kOrder[i]])));
    }
    else if (id == "QuestStat")
    {
        lines.push_back(Line("B", "", T(20), int(s.questsActive)));
        lines.push_back(Line("B", "", T(21), int(s.questsCompleted)));
        lines.push_back(Line("B", "", T(22), int(s.questsFailed)));
    }
    else if (id == "RatingStat")
    {
        const auto points = [&](int kind) { return s.ratings[kind * 2]; };
        const auto spent = [&](int kind) { return s.ratings[kind * 2 + 1]; };
        const float level0 = g_GameData.GetRatingLevel(0);
        lines.push_back(Line("A", "", T(23), Whole(level0)));
        lines.push_back(Line("A", kIndent, T(24), Nearest(points(0))));
        lines.push_back(Line("A", kIndent, T(25), Nearest(spent(0))));
        lines.push_back(Line("A", kIndent, T(26), Nearest(Threshold(level0) - (points(0) - spent(0)))));
        const float level2 = g_GameData.GetRatingLevel(2);
        lines.push_back(Line("B", "", T(27), Whole(level2)));
        lines.push_back(Line("B", kIndent, T(24), Nearest(points(2))));
        lines.push_back(Line("B", kIndent, T(25), Nearest(spent(2))));
        lines.push_back(Line("B", kIndent, T(26), Nearest(Threshold(level2) - (points(2) - spent(2)))));
        const float level1 = g_GameData.GetRatingLevel(1);
        lines.push_back(Line("B", "", T(28), Whole(level1)));
        lines.push_back(Line("B", kIndent, T(24), Nearest(points(1))));
        lines.push_back(Line("B", kIndent, T(26), Nearest(Threshold(level1) - (points(1) - spent(1)))));
    }
    else if (id == "ClanStat")
    {
        lines.push_back(Line("P", "", T(30), Whole(s.playerShare * 100.0f)));
        lines.push_back(Line("B", "", T(31), s.buildingsCaptured));
        lines.push_back(Line("B", "", T(32), s.buildingsLost));
        lines.push_back(Line("B", "", T(34), int(s.members)));
        lines.push_back(Line("B", "", T(35), int(s.capturedLocations)));
    }
    return lines;
}

bool CGCLog::ClickLink(const CXAnsiString& idText)
{
    XTRACE("CGCLog::ClickLink");
    const std::string id = idText.GetText();
    bool added = false;
    if (id == "AllStat")
    {
        for (int i = 0; i < m_StatGroups.GetCount(); ++i)
        {
            const std::string other = m_StatGroups.GetAt(i)->first.GetText();
            if (other != "AllStat") added = ClickLink(other.c_str()) || added;
        }
    }
    else if (const SStringPair* group = FindGroup(id); group && id != "AllStat")
    {
        const std::vector<std::string> lines = StatLines(id);
        if (!lines.empty() && m_pDetail)
        {
            std::string text;
            for (const std::string& line : lines)
                text += line + "<br>";
            const std::string title = std::string("<icon:MINUS>") + group->second.GetText();
            m_pDetail->AddEntry(text.c_str(), title.c_str(), id.c_str(), 0, nullptr, false, true);
            added = true;
        }
    }
    if (m_pDetail) m_pDetail->ScrollToTop();
    return added;
}

// ---- commands -----------------------------------------------------------------------

std::string CGCLog::TakeLinkText()
{
    for (CHTMLScrollWnd* window : {m_pList.get(), m_pDetail.get()})
        if (window && !window->m_sNotifyTarget.empty())
        {
            std::string link = window->m_sNotifyTarget;
            window->m_sNotifyTarget.clear();
            return link;
        }
    return {};
}

void CGCLog::OnCommand(int code, int param)
{
    XTRACE("CGCLog::OnCommand");
    switch (code)
    {
    case kQuestsTab:
    case kJournalTab:
    case kStatisticsTab:
        SetPage(code - kQuestsTab + 1);
        break;
    case CHTMLWnd::kNotifyLink:
        // The link runs here, once; the base would run it a second time.
        ProcessingLink(TakeLinkText().c_str());
        return;
    default:
        break;
    }
    CGMenu::OnCommand(code, param);
}

void CGCLog::ProcessingLink(const char* link)
{
    XTRACE("CGCLog::ProcessingLink");
    if (!link || !m_pDetail) return;
    const std::string whole = link;
    std::size_t start = 0;
    while (start <= whole.size())
    {
        const std::size_t comma = whole.find(',', start);
        const std::string command = whole.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? whole.size() + 1 : comma + 1;
        if (command.empty()) continue;
        if (SameWord(command, "delete"))
        {
            m_pDetail->DeleteBlock(std::string(m_pDetail->GetCurrentBlockID()).c_str());
            continue;
        }
        if (SameWord(command, "close"))
        {
            m_pDetail->CollapseBlock(std::string(m_pDetail->GetCurrentBlockID()).c_str(), true);
            continue;
        }
        m_pDetail->HTMLClear();
        if (SameWord(command, "clear")) continue;
        if (SameWord(command, "restart"))
        {
            OnFirstActivation();
            continue;
        }
        if (FindGroup(command) && ClickLink(command.c_str())) continue;
        if (command.compare(0, 5, "QUEST") == 0)
        {
            ShowQuest(command.substr(5, kNameLength).c_str());
            continue;
        }
        const std::size_t open = command.find('(');
        const std::string procedure = command.substr(0, open);
        std::string argument;
        if (open != std::string::npos && command.size() > open + 1)
            argument = command.substr(open + 1, command.size() - open - 2);
        const std::string context = m_szScriptText[0] ? std::string(m_szScriptText) : CurrentScriptObject();
        RunScript(context, procedure, argument);
    }
}

// ---- drawing ------------------------------------------------------------------------

void CGCLog::Render()
{
    XTRACE("CGCLog::Render");
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!m_bVisible || !g || !m_pDetail || !m_pList)
    {
        CGMenu::Render();
        return;
    }
    const Rect& d = m_pDetail->m_Rect;
    const Rect& l = m_pList->m_Rect;
    int x = 0;
    if (m_nPage >= 1 && m_nPage <= 3) x = m_pTabs[m_nPage - 1]->m_Rect.left;
    menus::FillRect(g, Rect{l.left + 7, l.top, x + 1, l.top + 1}, kWhite);
    menus::FillRect(g, Rect{x + 38, l.top, l.right - 8, l.top + 1}, kWhite);
    menus::FillRect(g, Rect{d.right, d.top, l.left, d.bottom}, kBar);
    menus::FillRect(g, Rect{d.left, m_Rect.top + 12, x + 1, d.top}, kBar);
    menus::FillRect(g, Rect{x + 38, m_Rect.top + 12, m_Rect.right - 12, d.top}, kBar);
    menus::FillRect(g, Rect{d.left, d.bottom, m_Rect.right - 12, m_Rect.bottom - 12}, kBar);
    CGMenu::Render();

    g->SelectFont(1);
    const std::string title = m_bGliderMenu ? std::string(m_sGliderTitle.GetText()) : menus::NameOf(m_szBuilding);
    g->RenderText(title.c_str(), m_Rect.left + (d.right - d.left - g->TextWidth(title.c_str())) / 2, m_Rect.top + 5,
                  kWhite);
    const char* player = g_GameData.m_PlayerName.GetText();
    g->RenderText(player, (m_Rect.left + m_Rect.right) / 2 - g->TextWidth(player) / 2,
                  m_Rect.bottom - g->GetTextHeight(), kWhite);
    g->SelectFont(0);
    if (auto* host = dynamic_cast<CUIMenu*>(m_pScreen))
        if (CMenuButton* tab = host->GetTab(CUIMenu::kTabLog))
            menus::FillRect(g, Rect{tab->m_Rect.left + 1, m_Rect.top - 3, tab->m_Rect.right - 1, m_Rect.top + 1}, kGold);
    menus::FillRect(g, Rect{m_Rect.left + 24, m_Rect.bottom - 5, m_Rect.right - 24, m_Rect.bottom - 2}, kGold);
}
