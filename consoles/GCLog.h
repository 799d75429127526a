// CGCLog: the journal console of the building and glider menus. Three
// pages, chosen by three small tabs above the right-hand list window: the
// active quests, the journal (the quests scripts entered into it, newest
// first in four colour passes: new ones yellow, then kinds 1 blue, 0 white
// and 2 green) and the player's statistics in seven groups. A link in the
// list opens its quest (its texts, state and time left) or statistics
// group in the wide detail window on the left.
//
// A link is a comma-separated list of commands run left to right: "clear",
// "delete", "close", "restart", a statistics group id, "QUEST" + a quest
// name, else a script procedure "name(argument)". The detail window is
// cleared before each command except "delete" and "close", which act on
// the block the window shows. A command may be of any length; the quest
// name of a "QUEST" command is cut to 31 characters, as names are. Links
// run here once: they are not handed to the console base again.
//
// Texts from the text database are never printf formats: the time-left
// line fills "INT_TIMELEFT"'s two numbers through FormatGameText.
//
// Ownership: the console owns its windows and tabs; the host owns the
// console. Main thread only.
#pragma once

#include "app/GameData.h"
#include "consoles/ConsoleContainers.h"
#include "menus/GMenu.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CHTMLScrollWnd;
class CMenuButton;
struct SScriptTimer;

class CGCLog : public CGMenu
{
public:
    static constexpr int kQuestsTab = 61500;
    static constexpr int kJournalTab = 61501;
    static constexpr int kStatisticsTab = 61502;
    static constexpr const char* kGroupIds[7] = {"AllStat",   "GlidersStat", "FightStat", "TradeStat",
                                                 "QuestStat", "RatingStat",  "ClanStat"};

    CGCLog();
    ~CGCLog() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Render() override;
    void OnActivated() override;
    void OnCommand(int code, int param) override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void OnFirstActivation() override;

    virtual void Refresh() { RefreshHTML(); }
    virtual void RefreshHTML();

    void SetPage(int page);
    void ShowQuest(const char* questName);
    void FillStat();
    void AddStatGroup(const SStringPair* group);
    bool ClickLink(const CXAnsiString& id);
    void ProcessingLink(const char* link);

    // The lines of a statistics group (none for an unknown id).
    std::vector<std::string> StatLines(const std::string& id) const;
    // Hours and minutes (each truncated toward zero) from now to end, both
    // in game days.
    static void TimeLeft(float endDay, float nowDay, int* hours, int* minutes);

    std::unique_ptr<CHTMLScrollWnd> m_pDetail;
    std::unique_ptr<CHTMLScrollWnd> m_pList;
    std::unique_ptr<CMenuButton> m_pTabs[3];
    CXAnsiString m_sGliderTitle;
    int m_nPage = -1;
    CStringPairArray m_StatGroups{16, 8};
    SGameStatistics m_Stats;
    // The running timer of that name, or null: the game's script manager's
    // unless set (tests).
    std::function<const SScriptTimer*(const char*)> m_FindTimer;
    // The game clock in days: the environment's unless set (tests).
    std::function<float()> m_GameClock;

private:
    const char* LocationName() const;
    const SStringPair* FindGroup(const std::string& id) const;
    // The link text of the last 4141 (from the list window or the detail
    // window), taken once.
    std::string TakeLinkText();
};
