// Fuzz target of the ".fdf" font metrics reader: any bytes as a metrics
// file; a font that reads is asked for glyphs and text widths.
#include "graphics/Font.h"
#include "tests/fuzz/FuzzCommon.h"

#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("font");
    (void)ready;
    CFont font;
    try
    {
        font.ReadMetrics(data, size, "input.fdf");
    }
    catch (const std::exception&)
    {
        return 0;
    }
    font.FindGlyph('A');
    font.TextWidth("Text \xD2\xE5\xEA\xF1\xF2 \x01\xFF");
    font.GetHeight(1.5f);
    std::string fitted;
    font.FitText("a longer line of text to fit", fitted, 40, 2);
    return 0;
}
