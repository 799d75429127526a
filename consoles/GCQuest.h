// CGCQuest: the quest tab of the building menu, the building's front page.
// Three markup windows: the building's script page (left; the console's
// own markup window, where script results and link texts go), the quests
// the building's scripts offer (right, upper) and a status panel (right,
// lower: the glider's repair, the building's trade level, the reward for
// head items).
//
// The building's entry events run at the console's first activation of a
// visit ("OnPlayerMechCommit" for every mechanoid carried in the hold, then
// "OnEnterBuild" for the building), and again when the building has
// changed hands since the page was built. This is the one place the game
// raises "OnEnterBuild".
//
// Quest list, from the script results: kind 1 offers a quest (a link line
// "<icon:QUEST>" + the key's name, target object#OnQuest(key), one line per
// key), kind 0 withdraws one (its line), "ALL_GENERATED" all of them.
//
// A link target is a comma list of tokens of at most 255 characters (a
// longer one is logged and not read: cut, it could read as another word);
// the token "repair" removes the repair line and opens the garage tab when
// the host shows one; the whole target then runs as the console base runs
// links.
//
// Ownership: the console owns its three windows. Main thread only.
#pragma once

#include "menus/GMenu.h"

#include <memory>
#include <string>

class CHTMLScrollWnd;

class CGCQuest : public CGMenu
{
public:
    static constexpr std::size_t kMaxToken = 255;
    static constexpr std::uint32_t kBarColour = 0xFFD46BFF;

    CGCQuest();
    ~CGCQuest() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Render() override;
    void OnActivated() override;
    void OnCommand(int code, int param) override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void OnFirstActivation() override;
    void ViewScriptResult() override;

    virtual void UpdateStatus();

    // The status line of a trade level (0..1), with the label and the
    // exhausted texts.
    static std::string TradeLevelLine(float level, const std::string& label, const std::string& exhausted);

    CHTMLScrollWnd* GetQuestList() const { return m_pQuestList.get(); }
    CHTMLScrollWnd* GetPage() const { return m_pPage.get(); }
    CHTMLScrollWnd* GetStatus() const { return m_pStatus.get(); }
    float GetHeads() const { return m_fHeads; }

private:
    // Whether the host shows the tab (exists, visible and, with enabled,
    // enabled).
    bool HostTabShown(int tab, bool enabled) const;

    std::unique_ptr<CHTMLScrollWnd> m_pQuestList;
    std::unique_ptr<CHTMLScrollWnd> m_pPage;
    std::unique_ptr<CHTMLScrollWnd> m_pStatus;
    std::string m_sCaption;
    float m_fHeads = 0.0f;
    char m_szLastOwner[32] = {};
};
