// The picture table of the menu buttons (pictures 20-95). Which sheet a
// picture lives on and which rule picks its state are fixed (the scroll
// bars' pictures, the boxes' OK and the list rows are "TEX_INT_UI1"
// cells); the cells follow the sample sheets, packed here in picture order
// into free areas of each sheet, clear of the places the game's other
// pieces take (mksample paints the same cells from this table).
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
// thumbs, the goods grid's arrows, count steppers, the boxes' OK and
// Cancel, the consoles' deal, garage and page buttons. A picture is cut at
// its button's size, so a thumb, whose length follows the content, has a
// cell as long as the longest thumb.
constexpr int kThumbLength = 480;
constexpr SPictureShape kShapes[] = {
    {20, 21, true, R::kTickHover, 17, 22, false},        // scroll bar back and forward
    {22, 23, false, R::kSelectHover, 17, 22, false},     // hovered or normal only
    {24, 24, true, R::kSingle, 17, kThumbLength, false}, // vertical thumb
    {25, 25, true, R::kSingle, kThumbLength, 17, false}, // horizontal thumb
    {26, 27, false, R::kTickHover, 16, 91, false},       // goods grid left and right
    {28, 29, true, R::kTickHover, 22, 17, false},        // horizontal scroll arrows
    {30, 30, true, R::kSingle, 15, 15, false},           // slider thumb
    {31, 32, true, R::kSelectHover, 17, 22, true},       // the message box's scroll arrows
    {33, 34, false, R::kTickHover, 22, 22, false},
    {35, 36, false, R::kTickHover, 40, 11, false}, // count selector up and down
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

// The list rows 70-73 on UI1: their columns and rows are fixed by the
// sheet (normal 568, hovered 594, selected 620; rows 47 apart from 836);
// 36 high, so that the last stays clear of the shield-off cell at
// (495, 1013).
constexpr int kListRowWidth = 26, kListRowHeight = 36;

// Free areas (left, top, right, bottom), filled in order, each picture in
// the first that still has room. UI1: right of the fill gauge and below
// the cargo bar, above the dialog buttons' pictures; and a column right of
// the damaged-part panel for the long vertical thumb. UII: between the
// tile grounds and the markup's second quest icon, and between the slider
// track and the compass, clear of the consoles' decorations at (565, 0)
// and (765, 461).
struct SArea
{
    int left, top, right, bottom;
};
constexpr SArea kUI1Areas[] = {{500, 46, 1024, 150}, {860, 240, 1018, 740}};
constexpr SArea kUIIAreas[] = {{0, 132, 560, 318}, {0, 400, 765, 637}};

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

// A row-by-row cursor over one free area.
struct SCursor
{
    SArea area;
    int x, y, rowHeight;

    // Where a span x height block goes (moving to a new row when the
    // current one is full); false when the area has no room left.
    bool Place(int span, int height, int* left, int* top)
    {
        int px = x, py = y, row = rowHeight;
        if (px + span > area.right)
        {
            px = area.left;
            py += row + 1;
            row = 0;
        }
        if (px + span > area.right || py + height > area.bottom) return false;
        *left = px;
        *top = py;
        x = px + span;
        y = py;
        rowHeight = height > row ? height : row;
        return true;
    }
};

std::vector<SMenuPicture> BuildTable()
{
    std::vector<SMenuPicture> table;
    std::vector<SCursor> cursors[2];
    for (const SArea& a : kUIIAreas)
        cursors[0].push_back(SCursor{a, a.left, a.top, 0});
    for (const SArea& a : kUI1Areas)
        cursors[1].push_back(SCursor{a, a.left, a.top, 0});
    for (const SPictureShape& s : kShapes)
        for (int p = s.first; p <= s.last; ++p)
        {
            const int cells = CellCount(s);
            int left = -1, top = -1;
            for (SCursor& c : cursors[s.ui1 ? 1 : 0])
                if (c.Place(cells * (s.width + 1), s.height, &left, &top)) break;
            // No room: the picture has no cells and draws nothing.
            SMenuPicture entry{p, s.ui1, s.rule, s.width, s.height, {-1, -1, -1, -1}, top};
            if (left >= 0)
            {
                // Cell order on the sheet: normal, hovered, selected or
                // ticked, disabled; a single picture's selected cell is its
                // third.
                for (int i = 0; i < cells; ++i)
                    entry.x[i] = left + i * (s.width + 1);
                if (s.rule == R::kSingle && s.selectedCell) entry.x[1] = -1;
            }
            table.push_back(entry);
        }
    for (int i = 0; i < 4; ++i)
        table.push_back(SMenuPicture{
            70 + i, true, R::kSelectHover, kListRowWidth, kListRowHeight, {568, 594, 620, -1}, 836 + 47 * i});
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
