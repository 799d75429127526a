// CGCCluster: the cluster console, where the player stations mechanoids in
// a building and in the building's cluster (the group of buildings it
// belongs to). Side by side: the mechanoids staying in the building (upper
// grid; the owner's, or everybody's in a building of "ORG_FREE"), the
// mechminds carried in the cargo hold (lower grid; cargo kind 2), and up to
// 13 cells, one per station of the cluster, each holding one of the
// player's mechanoids of the cluster. Five buttons (and drag and drop)
// move the current mechanoid: convict (buy out), put into the building,
// take to the cargo hold, put into the cluster, take from the cluster.
//
// The building's cluster number is also the number of cells shown, laid
// out symmetrically (CellVisible). Cells carry the mechanoid's id as their
// key (the world finds records by id; the name is only shown), so every
// cell's buttons work whatever the mechanoid is called.
//
// When a placement changes whether the building counts as the player's
// cluster building, the building music is chosen again (ChangeMusic) and
// the host's clan tab is shown or hidden.
//
// Status numbers are the records' generation, strength their level.
//
// Ownership: the console owns its controls; the host owns the console.
// Main thread only.
#pragma once

#include "menus/GMenu.h"

#include <memory>
#include <string>
#include <vector>

class CAnimatedBar;
class CControlList;
class CControlListItem;
class CHTMLScrollWnd;
class CImage;
class CMech;
class CMenuButton;
class CPlayerInfoPanel;

class CGCCluster : public CGMenu
{
public:
    static constexpr int kCells = 13;
    static constexpr int kConvict = 61482;
    static constexpr int kPutInBuilding = 61483;
    static constexpr int kTakeToCargo = 61484;
    static constexpr int kPutInCluster = 61485;
    static constexpr int kTakeFromCluster = 61486;
    static constexpr int kDropped = 3864;
    enum EButton
    {
        kButtonConvict,
        kButtonPutInBuilding,
        kButtonTakeToCargo,
        kButtonPutInCluster,
        kButtonTakeFromCluster,
        kButtons
    };

    CGCCluster();
    ~CGCCluster() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Show() override;
    void Render() override;
    void OnMouseLClick() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void SetBuilding(const char* name) override;

    virtual void CheckHighlighted();
    virtual void CheckButtonsEnable();

    // Whether cell index shows for a cluster of that size.
    static bool CellVisible(int cell, int clusterSize);

    void FillClaster();
    void RecalcMech();
    void ShowMech();
    void ChangeMusic();
    void SelectCell(int index);
    int GetSelectedCell() const;
    void SelectMechByName(const char* name);
    bool IsPlayerClusterBuilding() const;
    bool IsConvictForbidden() const;

    CControlList* GetBuildingList() const { return m_pBuildingList; }
    CControlList* GetCargoList() const { return m_pCargoList; }
    CAnimatedBar* GetCell(int i) const { return i >= 0 && i < kCells ? m_apCells[i] : nullptr; }
    CMenuButton* GetButton(int i) const { return i >= 0 && i < kButtons ? m_apButtons[i] : nullptr; }
    CHTMLScrollWnd* GetInfo() const { return m_pInfo; }
    // The current mechanoid ("" for none).
    std::string GetCurrent() const;
    int GetClusterCount() const { return m_nClusterCount; }
    int GetClusterSize() const { return m_nClusterSize; }
    bool CellsEnabled() const { return m_bCellsEnabled != 0; }
    const char* GetModel() const { return m_szModel; }

private:
    // The player's organisation ("" without a player record).
    static std::string PlayerOrg();
    // The owner filter of the building: its owner, "" for "ORG_FREE".
    std::string OwnerFilter() const;
    CMech* CurrentRecord() const;
    void SetCurrent(const std::string& name);
    // The item of that name in a grid, or null.
    static CControlListItem* FindItem(CControlList* list, const char* name);
    // The cargo entry of kind 2 with that name, or -1.
    static int CargoEntry(const char* name);
    void UpdateClanTab();

    CControlList* m_pBuildingList = nullptr;
    CControlList* m_pCargoList = nullptr;
    CPlayerInfoPanel* m_pModelPanel = nullptr;
    CHTMLScrollWnd* m_pInfo = nullptr;
    CImage* m_pPicture = nullptr;
    CMenuButton* m_apButtons[kButtons] = {};
    CAnimatedBar* m_apCells[kCells] = {};
    std::uint32_t m_CellColours[kCells] = {};
    int m_nCells = 0;
    std::uint32_t m_dwModelColour = 0xFFFFFF;
    char m_szModel[32] = {};
    char m_szCurrent[32] = {};
    std::uint8_t m_bCellsEnabled = 0;
    int m_nClusterCount = 0;
    int m_nClusterSize = 0;
    int m_nSelectedCell = -1;
    std::vector<std::unique_ptr<CControl>> m_Owned;
};
