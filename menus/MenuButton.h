// CMenuButton: the picture button of the menus: the tabs of the in-game
// menu host and the arrows, plus and minus, check boxes, steppers and
// dialog buttons of the consoles and boxes. It draws itself entirely from
// sprites of the two interface textures, chosen by its picture number and
// state, and plays its own click sound.
//
// Pictures 1-13 are the host's tabs (sheet "TEX_INT_UII": column 71 x
// (picture - 1), a row per state: selected, hovered, enabled, disabled; a
// selected tab also draws a frame open at the bottom that joins the console
// below). Pictures 20-95 come from the picture table (SMenuPicture): each
// names its sheet and a sheet cell per state, chosen by one of three rules
// (EPictureRule). Any other number draws no sprite. The sheet a picture
// comes from also becomes the button's user id.
//
// The user id is set only while it is unset (id -1): the host sets its
// texture key on the whole group, and a button that has its own keeps it.
//
// Ownership: as every control, the creator's. Main thread only.
#pragma once

#include "ui/Controls.h"

#include <cstdint>

enum class EPictureRule
{
    // Selected, else hovered, else normal.
    kSelectHover,
    // Ticked (and enabled), else hovered, else enabled, else disabled.
    kTickHover,
    // One picture; with a selected cell, that one while selected.
    kSingle,
};

// One picture of the table: its sheet ("TEX_INT_UI1" when ui1, else
// "TEX_INT_UII"), its cell size and the top-left texels of its state cells
// (-1: none). Cells: 0 normal (enabled), 1 hovered, 2 selected or ticked,
// 3 disabled.
struct SMenuPicture
{
    int picture;
    bool ui1;
    EPictureRule rule;
    int width, height;
    int x[4];
    int y;
};

// The entry of pictures 20-95, null for a number the table lacks.
const SMenuPicture* FindMenuPicture(int picture);
// Every entry, for the sample sheets.
const SMenuPicture* GetMenuPictures(int* count);

class CMenuButton : public CButton
{
public:
    static constexpr int kTabPictures = 13;
    static constexpr int kTabColumn = 71;
    static constexpr int kTabIconWidth = 70;
    static constexpr int kTabIconHeight = 56;
    // Tab icon rows by state, and the 22-pixel corner of a selected tab.
    static constexpr int kTabRowSelected = 849;
    static constexpr int kTabRowHovered = 908;
    static constexpr int kTabRowEnabled = 790;
    static constexpr int kTabRowDisabled = 967;
    static constexpr int kTabCornerX = 670;
    static constexpr int kTabCorner = 22;

    CMenuButton();

    void SetUID(const CGuidKey& id) override;
    void Render() override;
    // The click sound, then the button's click.
    void OnMouseLClick() override;
    // -1 silences the button.
    virtual void SetClickSound(std::int32_t id) { m_nClickSound = id; }

    // The cell (sheet position) the picture's rule chooses for the current
    // state; false when the picture draws nothing.
    bool ChooseCell(const SMenuPicture& picture, int* x, int* y) const;
    // Where a tab's 70 x 56 icon goes: the button itself, or a box of that
    // size centred in a wider one.
    plat::Rect TabIconRect() const;

    std::int32_t m_nPicture = 0;
    std::int32_t m_nValue = 0;
    std::uint8_t m_bSelected = 0;
    float m_fScale = 1.0f;
    std::int32_t m_nClickSound = -1;

private:
    void RenderTab();
};
