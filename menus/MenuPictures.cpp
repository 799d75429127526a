// The picture table of the menu buttons (pictures 20-95). Which sheet a
// picture lives on and which rule picks its state are fixed; the cells
// follow the sample sheets, packed here in picture order into a free band
// of each sheet (mksample paints the same cells from this table).
#include "menus/MenuButton.h"

#include <vector>

namespace
{
using R = EPictureRule;

struct SPictureShape
{
    int first, last; // a run of pictures with the same shape
    bool ui1;
    R rule;
    int width, height;
    bool selectedCell; // kSelectHover and kSingle: has a selected cell
};

// Sizes follow the controls that use the pictures: scroll arrows and
// thumbs, count steppers, the boxes' OK and Cancel, the consoles' deal,
// garage and page buttons.
constexpr SPictureShape kShapes[] = {
    {20, 21, false, R::kTickHover, 17, 22, false},   // scroll bar back and forward
    {22, 23, false, R::kSelectHover, 17, 22, false}, // hovered or normal only
    {24, 24, false, R::kSingle, 17, 11, false},      // vertical thumb
    {25, 25, false, R::kSingle, 11, 17, false},      // horizontal thumb
    {26, 27, false, R::kTickHover, 22, 17, false},   // goods grid left and right
    {28, 29, false, R::kTickHover, 22, 17, false},   // horizontal scroll arrows
    {30, 30, false, R::kSingle, 15, 15, false},      // slider thumb
    {31, 32, true, R::kSelectHover, 17, 22, true},   // the message box's scroll arrows
    {33, 34, false, R::kTickHover, 22, 22, false},
    {35, 36, false, R::kTickHover, 20, 11, false}, // count selector up and down
    {37, 38, false, R::kTickHover, 80, 25, false}, // buy and sell
    {39, 40, false, R::kTickHover, 22, 22, false},
    {45, 46, true, R::kTickHover, 36, 25, false},  // OK and Cancel of the query box
    {53, 56, false, R::kTickHover, 36, 25, false}, // garage actions
    {57, 61, false, R::kSingle, 36, 25, false},
    {62, 62, false, R::kSingle, 36, 25, true},
    {63, 67, false, R::kTickHover, 22, 22, false},
    {74, 81, false, R::kSelectHover, 39, 25, true}, // page tabs (77, 80, 81 the journal's)
    {82, 93, false, R::kSelectHover, 70, 25, true}, // filter tabs (82, 83 the cluster's)
    {94, 94, true, R::kSelectHover, 105, 25, true}, // the script box's OK
    {95, 95, false, R::kTickHover, 36, 25, false},  // modification
};

// Free bands: UI1 right of the cockpit's panels, UII below the markup icons
// and above the tab icons.
constexpr int kUI1Left = 400, kUI1Top = 540;
constexpr int kUIILeft = 0, kUIITop = 360;

int CellCount(const SPictureShape& s)
{
    switch (s.rule)
    {
    case R::kSelectHover:
        return s.selectedCell ? 3 : 2;
    case R::kTickHover:
        return 4;
    case R::kSingle:
        return s.selectedCell ? 3 : 1;
    }
    return 1;
}

std::vector<SMenuPicture> BuildTable()
{
    std::vector<SMenuPicture> table;
    struct SCursor
    {
        int left, x, y, rowHeight;
    } cursors[2] = {{kUIILeft, kUIILeft, kUIITop, 0}, {kUI1Left, kUI1Left, kUI1Top, 0}};
    for (const SPictureShape& s : kShapes)
        for (int p = s.first; p <= s.last; ++p)
        {
            SCursor& c = cursors[s.ui1 ? 1 : 0];
            const int cells = CellCount(s);
            const int span = cells * (s.width + 1);
            if (c.x + span > 1024)
            {
                c.x = c.left;
                c.y += c.rowHeight + 1;
                c.rowHeight = 0;
            }
            SMenuPicture entry{p, s.ui1, s.rule, s.width, s.height, {-1, -1, -1, -1}, c.y};
            // Cell order on the sheet: normal, hovered, selected or ticked,
            // disabled; a single picture's selected cell is its third.
            for (int i = 0; i < cells; ++i)
                entry.x[i] = c.x + i * (s.width + 1);
            if (s.rule == R::kSingle && s.selectedCell) entry.x[1] = -1;
            table.push_back(entry);
            c.x += span;
            if (s.height > c.rowHeight) c.rowHeight = s.height;
        }
    // The list rows 70-73 on UI1, their columns fixed by the sheet:
    // normal 568, hovered 594, selected 620.
    for (int i = 0; i < 4; ++i)
        table.push_back(
            SMenuPicture{70 + i, true, R::kSelectHover, 26, 47, {568, 594, 620, -1}, 836 + 47 * i});
    return table;
}

const std::vector<SMenuPicture>& Table()
{
    static const std::vector<SMenuPicture> table = BuildTable();
    return table;
}
} // namespace

const SMenuPicture* FindMenuPicture(int picture)
{
    for (const SMenuPicture& entry : Table())
        if (entry.picture == picture) return &entry;
    return nullptr;
}

const SMenuPicture* GetMenuPictures(int* count)
{
    *count = int(Table().size());
    return Table().data();
}
