// CAnimatedBar: the item tile of the garage and cluster consoles (the
// cluster console lays out thirteen): one control that shows a slowly
// turning model of its object (UIRenderObject), an optional fill gauge, an
// optional name label (its class-id key's name, shown while that key's id
// is not -1), up to three modification stars and, when selected, a corner
// frame. Tiles without an object show their icon cell, or the empty-slot
// picture when disabled. Every picture comes from "TEX_INT_UII" (the
// gauge from "TEX_INT_UI1"): the tile's user id always names it.
//
// Drag: the model grows smoothly to 30 pixels beyond the tile and shrinks
// back to a 4-pixel inset after the drop. On the drop the topmost visible
// control under the cursor that takes drops (drop-highlight byte) receives
// command 3864 through the screen, naming that control
// (CommandArgument()); overlapping targets never both receive one drop.
//
// The owner sets model, modifier, fill, icon cell, selected, show label,
// the class-id key and the drop flags directly.
// Ownership: the creator's. Times come from the screen's clock. Threads:
// main thread only.
#pragma once

#include "ui/Control.h"

#include <cstdint>

class CAnimatedBar : public CControl
{
public:
    static constexpr int kDropped = 3864;
    static constexpr float kRestInset = 4.0f;
    static constexpr float kDragInset = -30.0f;
    static constexpr std::uint32_t kLabelColour = 0xAAFFFFFF;

    CAnimatedBar();

    // Whatever the owner passes, the id names "TEX_INT_UII".
    void SetUID(const CGuidKey& id) override;
    void Render() override;
    // The control's begin-drag, then the owner's.
    void OnBeginDrag() override;
    // The control's drop, the owner's, then 3864 to the topmost target.
    void OnDrop() override;

    virtual void Create(int left, int top, int right, int bottom, IUI* screen);
    // Modifier, fill, model flag and selection cleared; one tooltip line.
    virtual void Reset();

    // The model name field: none (first four bytes 0xFF) or a name.
    void SetModel(const char* name);
    void ClearModel();
    bool HasModelName() const;
    // The animation step of the frame (inset, turn rate, angle), dt seconds.
    void Animate(float dt);
    // The gauge height for the fill: H x fill to the nearest whole pixel.
    static int GaugeHeight(int height, float fill);

    std::uint8_t m_bSelected = 0;
    std::uint8_t m_bHasModel = 0;
    std::uint8_t m_bShowLabel = 0;
    char m_szModel[32] = {};
    std::uint32_t m_dwModifier = 0;
    std::int32_t m_nSpare = -1;
    float m_fFill = 0.0f;
    std::int32_t m_nIconX = 0;
    std::int32_t m_nIconY = 0;
    float m_fSpinRate = 0.0f;
    float m_fAngle = 0.0f;
    float m_fInset = kRestInset;

private:
    double m_dLastStep = -1.0;
};
