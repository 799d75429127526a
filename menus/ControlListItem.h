// CControlListItem: one cell of the goods grid (CControlList): a push
// button that shows a goods item, a piece of equipment or a mechanoid as a
// small turning model (UIRenderObject) on a coloured background, with its
// count, up to three modification stars, selection corners and a red veil
// when locked. The grid creates, places, filters and selects the cells;
// the consoles set counts, moving counts, colours, categories and locks.
//
// Turning: a selected cell speeds up to 1 turn-rate unit, a hovered one
// settles near 0.5; at rest a mechanoid slows down and any other item
// turns back (always in the negative direction) to its rest angle cos(45)
// and stops within 0.1 of it; an angle that a wrap left just below the
// rest angle turns down to the rest angle one wrap (6.3) lower. The animation advances once per frame of the
// screen's clock, however often the cell is drawn in that frame (a dragged
// cell is drawn by its grid and again by the screen).
//
// Drag: while dragged the model grows 30 pixels beyond the cell (the inset
// approaches -30 at rate 3 per second) and the cell shows how many units
// move; on the drop the topmost visible control under the cursor whose
// drop-highlight byte is set receives command 3864, sent to the screen and
// naming that control (CommandArgument()); a drop over none makes the cell
// the screen's captured control. A locked cell cannot be dragged or
// selected; a drag guard, when set, must be visible and enabled for a drag
// to start.
//
// The cell's class-id key is not its class name: the grid sets it to a key
// of the object's name or of its model's name, and lookups by name compare
// it.
//
// Ownership: created by the grid's AddControl and owned by the grid.
// Threads: main thread only.
#pragma once

#include "ui/Controls.h"

#include <cstdint>

class CControlListItem : public CButton
{
public:
    static constexpr int kDropped = 3864;
    static constexpr std::uint32_t kGoods = 0x20000000;
    static constexpr std::uint32_t kMechanoid = 0x40000000;
    static constexpr std::uint32_t kEquipment = 0x10000000;
    // Categories whose cells draw their type model (equipment kinds).
    static constexpr std::uint32_t kTypeModelCategories = 0x1000FF00 | 0xF1;
    static constexpr std::uint32_t kNoColour = 0xFFFFFFFF;
    static constexpr std::uint32_t kLockedVeil = 0xAA220000;
    static constexpr float kAngleWrap = 6.3f;
    static constexpr float kRestTolerance = 0.1f;
    static constexpr float kRestInset = 4.0f;
    static constexpr float kDragInset = -30.0f;

    CControlListItem();

    void Render() override;
    // The tooltip; a goods key ("TOV_" in the class-id name) also names the
    // goods' model as the item name.
    void SetToolTip(const char* text) override;
    void OnBeginDrag() override;
    void OnDrop() override;

    // command id = low 16 bits of kind, category = kind & 0xFFFF, and the
    // cell's defaults (rest angle, inset 4, no colour, kind field -1).
    void Create(const plat::Rect& rect, const char* caption, int buttonKind, std::uint32_t kind);

    // The rest angle every non-mechanoid cell turns back to.
    static float RestAngle();
    // The animation step of the frame (steps 1-8 of the drawing), dt seconds.
    void Animate(float dt);
    // The inset the drawing uses: the animated inset rounded.
    int DrawnInset() const;
    // The text under the model ("" for none) and whether there is one.
    bool CellText(char* out, std::size_t size) const;
    bool IsMechanoid() const { return (m_dwCategory & kMechanoid) != 0; }
    void SetName(const char* name);

    CControl* m_pDragGuard = nullptr;
    char m_szName[32] = {};
    std::uint32_t m_dwModifier = 0;
    std::uint8_t m_bLocked = 0;
    float m_fAngle = 0.0f;
    float m_fSpin = 0.0f;
    float m_fInset = kRestInset;
    std::uint32_t m_dwCategory = 0;
    std::int32_t m_nMovingCount = 0;
    std::int32_t m_nCount = 0;
    std::uint32_t m_dwColour = kNoColour;
    std::int32_t m_bSelected = 0;
    std::int32_t m_nKind = -1;
    std::int32_t m_nModelIndex = -1;
    std::uint32_t m_dwModelColour = 0xFFFFFF;
    // Whether the console may throw the item's goods out (the glider
    // console clears it for unique goods and special mechminds).
    std::uint8_t m_bRemovable = 1;

private:
    void UpdateMechanoidColour();
    void DrawModel(const char* modelName, const plat::Rect& rect, int inset) const;
    void DrawCellText(const char* text, const plat::Rect& rect) const;

    // The clock reading of the last animation step.
    double m_dLastStep = -1.0;
};
