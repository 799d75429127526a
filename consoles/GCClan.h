// CGCClan: the clan console, where the player runs the own clan
// ("ORG_PLAYER"): the clan's name (asked for while it is empty), its
// emblem (one of 16 models, each with its colour, none taken by another
// organisation), two attitude sliders (the clan definition's two values:
// slider 100 gives 0.0, slider 0 gives 1.0), the player organisation's
// page and a bar chart of every charted organisation's strength as a share
// of their total (at most 10 organisations; a total of 0 gives 0 %).
//
// Stepping to the previous or next emblem skips the emblems other
// organisations use; when every one is taken the emblem stays as it is.
// Without an "ORG_PLAYER" definition the sliders change nothing, and the
// emblem goes to the game data only (CGameData applies the clan look,
// which leaves an organisation without a record alone).
//
// Ownership: the console owns its controls; the host owns the console.
// Main thread only.
#pragma once

#include "menus/GMenu.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CHTMLScrollWnd;
class CMenuButton;
class CPlayerInfoPanel;
class CScrollControlEx;
struct SOrgData;

class CGCClan : public CGMenu
{
public:
    static constexpr int kEmblemCount = 16;
    static constexpr int kMaxChart = 10;
    static constexpr int kPrevEmblem = 61472;
    static constexpr int kNextEmblem = 61473;
    struct SEmblem
    {
        const char* model;
        std::uint32_t colour;
    };
    static const SEmblem kEmblems[kEmblemCount];

    CGCClan();
    ~CGCClan() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Render() override;
    void OnActivated() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void SetBuilding(const char* name) override;

    virtual void SetClanName();
    virtual void ApplyEmblem();

    // One chart column (x, the base line, the percentage, the colour).
    void DrawBar(int x, int baseY, int percent, std::uint32_t colour);
    // The sliders' attitudes into the clan definition.
    void ApplySliders();

    // The slider position of an attitude and back.
    static int SliderPosition(float attitude);
    static float SliderAttitude(int position);
    // A column's percentage of the total strength (0 for a total of 0),
    // rounded half away from zero.
    static int ChartPercent(float strength, float total);
    // The emblem one step from current in the direction (-1, +1) that is
    // not taken, wrapping round; current when all the others are taken.
    static int StepEmblem(int current, int direction, const std::function<bool(int)>& taken);
    // Whether an organisation of the location (not left out of the chart)
    // uses the emblem's model.
    bool IsEmblemTaken(int index) const;

    int GetEmblem() const { return m_iEmblem; }
    void SetEmblem(int index) { m_iEmblem = index; }
    int GetChartCount() const { return m_nChart; }
    const std::string& GetChartName(int i) const { return m_ChartNames[std::size_t(i)]; }
    float GetTotalStrength() const { return m_fTotal; }
    CScrollControlEx* GetSlider(int i) const { return i == 0 ? m_pSlider1 : (i == 1 ? m_pSlider2 : nullptr); }

    // Set by the cluster console when it shows the clan tab while the clan
    // has no name yet.
    std::uint8_t m_bAskName = 0;

private:
    static SOrgData* PlayerDefinition();
    static std::string PlayerOrg();

    std::string m_ChartNames[kMaxChart];
    int m_nChart = 0;
    float m_fTotal = 0.0f;
    int m_iEmblem = 0;
    CHTMLScrollWnd* m_pInfo = nullptr;
    CPlayerInfoPanel* m_pChartPanel = nullptr;
    CPlayerInfoPanel* m_pEmblemPanel = nullptr;
    CMenuButton* m_pPrev = nullptr;
    CMenuButton* m_pNext = nullptr;
    CScrollControlEx* m_pSlider1 = nullptr;
    CScrollControlEx* m_pSlider2 = nullptr;
    std::string m_sChartCaption;
    std::vector<std::unique_ptr<CControl>> m_Owned;
};
