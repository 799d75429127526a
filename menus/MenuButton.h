// CMenuButton: the picture button of the menus: the tabs of the in-game
// menu host and the arrows, plus and minus, check boxes, steppers and
// dialog buttons of the consoles and boxes. It is the framework's picture
// button (CPictureButton: picture number, value, selected flag, click
// sound) drawn entirely from sprites of the two interface textures, chosen
// by its picture number and state.
//
// Pictures 1-13 are the host's tabs (sheet "TEX_INT_UII": column 71 x
// (picture - 1), a row per state: selected, hovered, enabled, disabled; a
// selected tab also draws a frame open at the bottom that joins the console
// below). Pictures 20-95 come from the picture table (SMenuPicture): each
// names its sheet and a sheet cell per state, chosen by one of three rules
// (EPictureRule). Any other number draws no sprite. The sheet a picture
// comes from also becomes the button's user id.
//
// CMenuPicturePainter draws those pictures for any picture button: a
// CMenuButton draws through it itself, and InstallMenuPicturePainter makes
// it the painter of the framework's picture buttons (the scroll bars' and
// the widgets'), so that they show the same pictures.
//
// The user id is set only while it is unset (id -1): the host sets its
// texture key on the whole group, and a button that has its own keeps it.
//
// Ownership: as every control, the creator's. Main thread only.
#pragma once

#include "ui/markup/PictureButton.h"

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

// Draws a picture button's picture for its state (see above).
class CMenuPicturePainter : public IPicturePainter
{
public:
    void DrawPicture(CPictureButton& button) override;

    // The cell (sheet position) the picture's rule chooses for the button's
    // state; false when the picture draws nothing.
    static bool ChooseCell(const CPictureButton& button, const SMenuPicture& picture, int* x, int* y);
    // Where a tab's 70 x 56 icon goes: the button itself, or a box of that
    // size centred in a wider one.
    static plat::Rect TabIconRect(const CPictureButton& button);

private:
    static void DrawTab(CPictureButton& button);
};

// Makes the menus' painter the one of every picture button
// (RegisterMenusClasses does).
void InstallMenuPicturePainter();

class CMenuButton : public CPictureButton
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

    // The picture by the menus' painter (installed or not), then the
    // tooltip.
    void Render() override;

    bool ChooseCell(const SMenuPicture& picture, int* x, int* y) const
    {
        return CMenuPicturePainter::ChooseCell(*this, picture, x, y);
    }
    plat::Rect TabIconRect() const { return CMenuPicturePainter::TabIconRect(*this); }

    float m_fScale = 1.0f;
};
