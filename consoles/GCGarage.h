// CGCGarage: the garage console, where the player fits the glider inside a
// building. An upper grid lists what the building sells (its equipment
// stock, cheapest first), a lower grid the glider's removable items
// (additional equipment, missiles, stackable cargo such as modifiers),
// nine slot bars stand for the fixed places (shield, glider, armour,
// reactor, engine, first gun, second reactor, second engine, second gun),
// a picture box turns the selection's model, the information window
// describes it, and five buttons buy and fit, remove, refill ammunition,
// repair and apply a modification. Further configuration pages fit the
// clan's three stored configurations instead of the player's glider, with
// no money moving.
//
// Files: GCGarage.cpp (layout, selection, drawing, button rules),
// GCGarage_Fitting.cpp (prices, repair costs, removal, throwing cargo
// out), GCGarage_Config.cpp (configurations, fitting, list rebuild),
// GCGarage_Modif.cpp (modifications and drop highlighting),
// GCGarage_Commands.cpp (commands, per-frame input, activation, slots,
// repair and ammunition), GCGarage_Info.cpp (information pages).
//
// Kind codes of a selection (m_iGoodKind): 1 a trade good, 2 a name only
// the text database describes, 3 a glider, 4 a gun of TYPE 0, 5 another
// gun, 6 missiles, 7 a name found nowhere, 10 + equipment class (11
// reactor, 12 shield, 13 armour, 14 engine, 15 additional equipment), 100
// the whole configuration.
//
// Clan configuration pages: 1 the defence configuration, 2 the trade
// configuration, 3 (and any other) the attack configuration, in the
// player's configuration mechanoids (g_pPlayerConfigs: defence, attack,
// trade).
//
// Money rules kept here (the buttons enable only what the player can pay,
// and the actions check again): a refused fitting costs nothing (beyond a
// repair of the old glider already charged), a refused modification
// leaves no goods behind, repair and ammunition are refused without the
// money, ammunition without a selected gun is not charged, missiles count
// as spent only when really bought for the player's glider.
//
// The glider console (glider menu) derives from this class; the glider-menu
// flag of the base switches the garage behaviour off.
//
// Ownership: the console owns its controls (children of its group);
// the host owns the console. Main thread only.
#pragma once

#include "menus/GMenu.h"
#include "world/Trade.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAnimatedBar;
class CControlList;
class CControlListItem;
class CHTMLScrollWnd;
class CImage;
class CMechanoid;
class CMenuButton;

class CGCGarage : public CGMenu
{
public:
    static constexpr int kSlots = 9;
    static constexpr int kFilters = 11;
    static constexpr int kPageNames = 4;

    // Commands.
    static constexpr int kDropped = 3864;
    static constexpr int kPrevPage = 61472;
    static constexpr int kNextPage = 61473;
    static constexpr int kApplyConfig = 61474;
    static constexpr int kBuy = 61510;
    static constexpr int kRemove = 61511;
    static constexpr int kAmmo = 61512;
    static constexpr int kRepair = 61513;
    static constexpr int kModify = 61514;

    // Slot bars.
    enum ESlot
    {
        kSlotShield,
        kSlotGlider,
        kSlotArmor,
        kSlotReactor,
        kSlotEngine,
        kSlotGun1,
        kSlotReactor2,
        kSlotEngine2,
        kSlotGun2,
    };

    // Kind codes.
    enum EKind
    {
        kKindGoods = 1,
        kKindText = 2,
        kKindGlider = 3,
        kKindGunLight = 4,
        kKindGunHeavy = 5,
        kKindMissile = 6,
        kKindUnknown = 7,
        kKindReactor = 11,
        kKindShield = 12,
        kKindArmor = 13,
        kKindEngine = 14,
        kKindAddEqp = 15,
        kKindConfig = 100,
    };

    static constexpr float kDefaultAmmoPrice = 100.0f;

    CGCGarage();
    ~CGCGarage() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Render() override;
    void OnMouseLClick() override;
    void OnActivated() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void SetBuilding(const char* name) override;

    virtual void CheckButtonsEnable();
    virtual void UpdateGunSlots();
    virtual void DropGoods();
    virtual void Repair();
    virtual void BuyAmmo();
    virtual void InstallEqp();
    virtual void RemoveEqp();
    virtual void Refresh(std::uint32_t flags);
    virtual bool IsGliderReady();
    virtual void CheckHighlighted();

    bool SelectSlotByName(const char* name);
    void ShowGood();
    void UpdateModifButton();
    void DrawPriceLine();

    // Prices (a name whose first word is -1 stands for the selection, and
    // only then is m_iGoodKind set).
    float GetGoodPrice(const char* name);
    float GetGoodPrice() { return GetGoodPrice(nullptr); }
    float GetGoodWeight();

    // Repair costs of a place of a mechanoid (0 when nothing is fitted or
    // it is not damaged; the shield and guns have none), and of the glider
    // and the five repairable places together.
    static float SlotRepairCost(const CMechanoid& m, int slot);
    static float WholeRepairCost(const CMechanoid& m);

    // Units per container when cargo is thrown out: one for a mechmind
    // (kind 2), else 99 / max(MASSA, 10) rounded (at least 1); the rest
    // one unit a container. The counts of the containers, in order.
    static std::vector<int> SplitDrop(int count, int kind, float massa);

    // Configurations.
    void SetGliderConfig(bool select);
    void SetClanConfig();
    // The mechanoid a configuration index shows: 0 the player's, 1 the
    // clan's defence, 2 its trade, any other its attack configuration.
    static CMechanoid* ConfigMechanoid(int config);
    CMechanoid* ShownMechanoid() const { return ConfigMechanoid(m_iConfig); }
    static CMechanoid* PlayerMechanoid();
    // The item kind of a name (modifiers, gliders, guns, equipment,
    // missiles, in that order; -1 none).
    static int ItemKind(const char* name);

    // Modifications.
    bool IsEnableModification();
    void OnModification();
    void GetInfoModif(std::string& out);
    void GetInfoModifEqp(std::string& out);
    static void GetInfoModifText(const char* valueFormat, const char* diffFormat, std::string& out, float base,
                                 float v1, float v2, float v3);
    // The modifier word of the fitted item that accepts a modifier word
    // (items of its type in order: glider; first gun, second gun; reactor,
    // second reactor; engine, second engine; shield), or -1 for none; with
    // apply the item's own word is upgraded.
    int FindModifTarget(std::uint32_t identifier, std::uint32_t* upgraded);

    // Slots.
    int GetSelectedSlot();
    void SelectSlot(int index);
    std::string GetSelectedSlotName();

    // Information pages.
    void ShowInfoGun(std::string& out);
    void ShowInfoAmmo(std::string& out);
    void ShowInfoShield(std::string& out);
    void ShowInfoArmor(std::string& out);
    void ShowInfoReactor(std::string& out);
    void ShowInfoEngine(std::string& out);
    void ShowInfoAddEqp(std::string& out);
    void ShowInfoGlider(std::string& out);
    void ShowInfoConfig(std::string& speeds, std::string& weights, std::string& energy, std::string& defence);
    // The class code of a glider type name: the part between the second
    // and third underscore ("" when there are fewer than three).
    static std::string GliderClass(const char* name);

    // A text of the text database ("" when missing).
    static std::string Text(const char* key);
    static bool IsSet(const char name[32]);
    static void SetUnset(char name[32]);
    static void SetName(char name[32], const char* text);

    std::int32_t m_iListMode = 0;
    CControlList* m_pGoodsList = nullptr;
    CControlList* m_pGliderList = nullptr;
    CMenuButton* m_pBuyButton = nullptr;
    CMenuButton* m_pRemoveButton = nullptr;
    CMenuButton* m_pAmmoButton = nullptr;
    CMenuButton* m_pRepairButton = nullptr;
    CMenuButton* m_pModifButton = nullptr;
    std::int32_t m_iModifMask = -1;
    char m_szModel[32] = {};
    char m_szGood[32] = {};
    std::uint32_t m_dwModif = 0;
    float m_fPrice = 0.0f;
    float m_fWeight = 0.0f;
    std::vector<SEqpConsoleItem> m_Goods;
    std::string m_asPageNames[kPageNames];
    std::int32_t m_nPageNames = 0;
    std::int32_t m_iGoodKind = 0;
    CMenuButton* m_pConfigButton = nullptr;
    CHTMLScrollWnd* m_pInfoWnd = nullptr;
    CControl* m_pPricePanel = nullptr;
    CImage* m_pPicture = nullptr;
    std::string m_sTitle;
    std::string m_sConfigTip;
    float m_fRepairPrice = 0.0f;
    float m_fAmmoPrice = 0.0f;
    std::int32_t m_iNotice = 0;
    std::int32_t m_iConfigPage = 0;
    std::int32_t m_iConfig = -1;
    std::int32_t m_nConfigPages = 0;
    std::int32_t m_iCount = 1;
    std::int32_t m_iSlot = -1;
    bool m_bChanged = false;
    CAnimatedBar* m_apSlots[kSlots] = {};
    std::int32_t m_nSlots = 0;
    // The accepted kind code of each bar.
    std::int32_t m_SlotKinds[kSlots] = {};
    // The slot bars' equipment (type) names; first word -1 none.
    char m_SlotGoods[kSlots][32] = {};
    CMenuButton* m_apFilters[kFilters] = {};
    CMenuButton* m_pPrevButton = nullptr;
    CMenuButton* m_pNextButton = nullptr;
    // The information window's last text (what ShowGood put there), for
    // the host's tooltip and for reading back.
    std::string m_sShownText;
    // The model angle shared by all garage pictures, degrees.
    static float s_fModelAngle;

protected:
    // Plays a 2-D interface sound.
    static void Sound(const char* name);
    // Adds a block to the information window under a caption key (nothing
    // for an empty text; an empty caption text gives no heading).
    void AddInfo(const std::string& text, const char* captionKey);
    // Fills bar i from an item (an empty key clears it).
    void FillSlot(int i, std::int32_t modelId, const char* typeName, std::uint32_t word, float damage,
                  bool filled);
    void FillSlots(CMechanoid& m);
    // The glider's model and type names into m_szModel and m_szGood.
    void TakeGliderNames(const CMechanoid* m);
    // The slot index where an item of that name sits on the shown
    // mechanoid, -1 none.
    int SlotOfItem(const char* name);
    // Sends a command to this console (its command entry).
    void Send(int code) { OnCommand(code, 0); }
    // The text database model name of a model id.
    static std::string ModelName(std::int32_t id);
    // Set while a drop is being routed (one drop, one modification).
    // Every control the console made (the group only links them).
    std::vector<std::unique_ptr<CControl>> m_Owned;
};

// Registers "IGUID_CGCGarage" with the class factory.
void RegisterGarageClass();
