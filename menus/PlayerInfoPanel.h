// CPlayerInfoPanel: the small panel that shows the player's money and how
// full the glider's cargo hold is. The in-game menu host puts one below its
// console area; the trade, garage, cluster and clan consoles make their own.
// It takes no input (Init leaves it disabled).
//
// Collapsed it is a thin frame (7 x 7 corner sprites and white lines);
// expanded, a background sprite with the money (truncated, "%d"), the
// cargo figure ("%d / %d": the goods weight truncated, the maximum rounded)
// when the mechanoid has a glider type, and a cargo bar of at most 52
// pixels. Sprites come from the sheet named by the control's user id.
//
// It reads the player's mechanoid every frame (the player's glider's,
// world/GameWorldState.h); with none it shows nothing but its frame.
// Main thread only.
#pragma once

#include "ui/Control.h"

#include <cstdint>

class CMechanoid;

class CPlayerInfoPanel : public CControl
{
public:
    static constexpr int kBarWidth = 52;
    // Sheet cells: the corner, the background, the bar.
    static constexpr int kCornerX = 692;
    static constexpr int kCorner = 7;
    static constexpr int kBackgroundY = 757;
    static constexpr int kBarX = 912;

    CPlayerInfoPanel();

    void Render() override;
    virtual void Init(int left, int top, int right, int bottom, IUI* screen);
    // Inverts the expanded flag; returns the new value.
    virtual bool Toggle();

    // The cargo bar's width for a goods weight and a maximum: trunc(weight /
    // maximum x 52), at most 52 (and never below 0); 0 without a glider.
    static int CargoBarWidth(float weight, float maximum, bool hasGlider);
    // The mechanoid shown (the player's by default).
    virtual CMechanoid* GetMechanoid();

    std::uint8_t m_bExpanded = 0;

private:
    void RenderFrame();
    void RenderExpanded(CMechanoid* mechanoid);
};
