// CGCGlider: the glider console of the glider menu (CGliderUI), opened in
// flight by the glider-menu keys: the garage console turned to the player's
// own glider. The upper grid shows the cargo hold in two tabs, goods
// (0x20000000) and carried mechminds (0x40000000); the lower grid the
// glider's additional equipment and ammunition (0x10000000) and the
// modifications carried in the hold (0x800). The buy button convicts (buys
// out) the selected carried mechanoid, the remove button throws the
// selected cargo out; ammunition and repair are not offered.
//
// Refresh(0) adds only what is missing and keeps the counts current (every
// item is found again by its name in the grid it lives in, so repeated
// activations never add a second item for one thing); any other value
// rebuilds both grids.
//
// Unique goods (cargo kind 1) and the mechminds of special mechanoids
// (generation above 5) can be selected but are never thrown out.
//
// Ownership: as the garage's. Main thread only.
#pragma once

#include "consoles/GCGarage.h"

class CGCGlider : public CGCGarage
{
public:
    static constexpr std::uint32_t kGoodsTab = 0x20000000;
    static constexpr std::uint32_t kMechTab = 0x40000000;
    static constexpr std::uint32_t kEquipment = 0x10000000;
    static constexpr std::uint32_t kCarriedModif = 0x800;
    static constexpr std::uint32_t kAmmoTag = 5;
    static constexpr int kTabCommand = 61440;

    CGCGlider() = default;
    ~CGCGlider() override = default;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void OnMouseLClick() override;
    void OnActivated() override;
    void ProcessMessages() override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void CheckButtonsEnable() override {}
    void Refresh(std::uint32_t flags) override;
    void CheckHighlighted() override {}

    CMenuButton* GetTab(int i) const { return i >= 0 && i < 2 ? m_apTabs[i] : nullptr; }

private:
    CMenuButton* m_apTabs[2] = {};
};

// Registers "IGUID_CGCGlider" with the class factory.
void RegisterGliderClass();
