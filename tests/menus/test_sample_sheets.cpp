// The sample's two interface sheets are painted by several writers (the
// cockpit, the menus, the menu buttons' picture table, the widgets): no
// writer paints over a piece of another, so every control cuts the picture
// it was drawn for.
#include "tools/mksample/SampleCockpit.h"
#include "tools/mksample/SampleMainMenu.h"
#include "tools/mksample/SampleMenus.h"
#include "tools/mksample/SampleWidgets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace
{
constexpr int kSheet = 1024;

struct SWriter
{
    std::string name;
    std::vector<std::uint32_t> pixels;
};

SWriter Paint(const char* name, const std::function<void(std::vector<std::uint32_t>&)>& paint)
{
    SWriter w{name, std::vector<std::uint32_t>(std::size_t(kSheet) * kSheet, 0)};
    paint(w.pixels);
    return w;
}

// Every pair of writers of a sheet: no texel painted by both.
void ExpectApart(const std::vector<SWriter>& writers)
{
    for (std::size_t a = 0; a < writers.size(); ++a)
        for (std::size_t b = a + 1; b < writers.size(); ++b)
        {
            int shared = 0, first = -1;
            for (std::size_t i = 0; i < writers[a].pixels.size(); ++i)
                if (writers[a].pixels[i] != 0 && writers[b].pixels[i] != 0)
                {
                    if (first < 0) first = int(i);
                    ++shared;
                }
            EXPECT_EQ(shared, 0) << writers[a].name << " and " << writers[b].name
                                 << " share texels, the first at (" << first % kSheet << ", "
                                 << first / kSheet << ")";
        }
}

TEST(SampleSheets, NoWriterPaintsOverAnothersPieces)
{
    ExpectApart({
        Paint("the cockpit", [](std::vector<std::uint32_t>& p) { p = CockpitPieces(); }),
        Paint("the menus", DrawMenuPiecesUI1),
        Paint("the menu buttons", [](std::vector<std::uint32_t>& p) { DrawMenuButtonPictures(p, true); }),
        Paint("the widgets", PaintWidgetPieces),
        Paint("the main menu", DrawMainMenuPieces),
    });
    ExpectApart({
        Paint("the menus", DrawMenuPiecesUII),
        Paint("the menu buttons", [](std::vector<std::uint32_t>& p) { DrawMenuButtonPictures(p, false); }),
        Paint("the widgets", PaintWidgetSheetPieces),
    });
}
} // namespace
