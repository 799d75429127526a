#include "tools/mksample/SamplePropSheet.h"

#include "graphics/ImageFile.h"

#include <cmath>

namespace
{
constexpr int kSheet = 256;
constexpr int kCells = 8;
constexpr int kCell = kSheet / kCells;
constexpr std::uint32_t kSeed = 4107;

struct SPlace
{
    int column, row, width; // width in cells
};

SPlace PlaceOf(EProp cell)
{
    const int i = int(cell);
    if (cell < EProp::SignHall) return {i % kCells, i / kCells, 1};
    switch (cell)
    {
    case EProp::SignHall: return {0, 3, 2};
    case EProp::SignDepot: return {2, 3, 2};
    case EProp::Armour: return {4, 3, 1};
    case EProp::ArmourDark: return {5, 3, 1};
    case EProp::CapsuleWhite: return {6, 3, 1};
    case EProp::CapsuleTeal: return {7, 3, 1};
    default: return {i - int(EProp::Post), 4, 1};
    }
}

// Paints one cell: every pixel from a function of its position in the cell
// (0..w-1, 0..31) and a noise value of the sheet.
template <class Paint>
void PaintCell(CSheet& sheet, const CTileNoise& noise, EProp cell, Paint paint)
{
    const SPlace p = PlaceOf(cell);
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < kCell * p.width; ++x)
        {
            const int sx = p.column * kCell + x, sy = p.row * kCell + y;
            const float n = noise.Fractal(float(sx) / 8.0f, float(sy) / 8.0f, 3);
            sheet.Put(sx, sy, paint(x, y, n));
        }
}

// A plain colour, lightly mottled.
auto Mottled(std::uint32_t colour, float amount)
{
    return [=](int, int, float n) { return ScaleColour(colour, 1.0f - amount + 2.0f * amount * n); };
}

void PaintSign(CSheet& sheet, EProp cell, const char* text, std::uint32_t ground, std::uint32_t letters)
{
    const SPlace p = PlaceOf(cell);
    const int x0 = p.column * kCell, y0 = p.row * kCell, w = kCell * p.width;
    sheet.Fill(x0, y0, w, kCell, 0xFFF0F0F0u);
    sheet.Fill(x0 + 2, y0 + 2, w - 4, kCell - 4, ground);
    const int dot = 2, width = int(std::char_traits<char>::length(text)) * 6 * dot - dot;
    sheet.Text(x0 + (w - width) / 2, y0 + (kCell - 7 * dot) / 2, text, dot, letters);
}

void Paint(CSheet& sheet)
{
    const CTileNoise noise(kSheet / 8, kSeed);
    // The glider: light grey paint with panel lines, a red nose, dark glass.
    PaintCell(sheet, noise, EProp::Hull, [](int x, int y, float n) {
        const bool line = y == 15 || x == 0 || (x == 20 && y > 15);
        return ScaleColour(line ? 0xFF7A8490u : 0xFFC4CCD6u, 0.94f + 0.12f * n);
    });
    PaintCell(sheet, noise, EProp::HullDark, Mottled(0xFF4A525Cu, 0.08f));
    PaintCell(sheet, noise, EProp::Nose, [](int, int y, float n) {
        return ScaleColour(y < 4 ? 0xFFF0F0F0u : 0xFFD02818u, 0.9f + 0.2f * n);
    });
    PaintCell(sheet, noise, EProp::Canopy, [](int x, int y, float) {
        const bool glint = std::abs((x - y) - 6) < 3;
        return glint ? 0xFFB0D0F0u : MixColour(0xFF102848u, 0xFF305880u, float(y) / 31.0f);
    });
    PaintCell(sheet, noise, EProp::Engine, [](int, int y, float n) {
        return ScaleColour(y % 6 < 2 ? 0xFF202428u : 0xFF50565Cu, 0.9f + 0.2f * n);
    });
    PaintCell(sheet, noise, EProp::Exhaust, [](int x, int y, float) {
        const float r = std::hypot(float(x) - 15.5f, float(y) - 15.5f) / 16.0f;
        return MixColour(0xFFFFF0A0u, 0xFFFF5010u, std::min(r, 1.0f));
    });
    PaintCell(sheet, noise, EProp::Stripe, [](int, int y, float n) {
        return ScaleColour(y >= 12 && y < 20 ? 0xFFD02818u : 0xFFC4CCD6u, 0.94f + 0.12f * n);
    });
    PaintCell(sheet, noise, EProp::GunMetal, [](int x, int, float n) {
        return ScaleColour(x % 8 == 0 ? 0xFF60666Cu : 0xFF34383Cu, 0.9f + 0.2f * n);
    });
    // Nature and props.
    PaintCell(sheet, noise, EProp::Bark, [&noise](int x, int y, float) {
        const float streak = noise.At(float(x) * 0.7f, float(y) * 0.08f);
        return ScaleColour(0xFF6A4A2Au, 0.6f + 0.6f * streak);
    });
    PaintCell(sheet, noise, EProp::Leaves, [&noise](int x, int y, float) {
        const float blot = noise.Fractal(float(x) * 0.35f + 40.0f, float(y) * 0.35f, 3);
        return MixColour(0xFF1E4A1Cu, 0xFF4A8A32u, blot);
    });
    PaintCell(sheet, noise, EProp::LeavesLight, [&noise](int x, int y, float) {
        const float blot = noise.Fractal(float(x) * 0.35f + 80.0f, float(y) * 0.35f, 3);
        return MixColour(0xFF3A7428u, 0xFF8CC050u, blot);
    });
    PaintCell(sheet, noise, EProp::Rock, Mottled(0xFF8A867Eu, 0.25f));
    PaintCell(sheet, noise, EProp::Crate, [](int x, int y, float n) {
        const bool frame = x < 3 || y < 3 || x > 28 || y > 28;
        const bool brace = std::abs(x - y) < 2;
        const bool gap = y % 8 == 7;
        const std::uint32_t wood = frame || brace ? 0xFF7A5228u : (gap ? 0xFF3C2810u : 0xFFB0844Au);
        return ScaleColour(wood, 0.9f + 0.2f * n);
    });
    PaintCell(sheet, noise, EProp::Gold, [](int x, int y, float) {
        return MixColour(0xFFFFE070u, 0xFFB07810u, std::min(1.0f, float(x + y) / 48.0f));
    });
    PaintCell(sheet, noise, EProp::LampPost, Mottled(0xFF34443Eu, 0.1f));
    PaintCell(sheet, noise, EProp::LampGlow, [](int, int, float) { return 0xFFFFF4D0u; });
    // Buildings: pale panels, brick, slate, a ribbed steel door.
    PaintCell(sheet, noise, EProp::Wall, [](int x, int y, float n) {
        const bool seam = x % 16 == 0 || y % 16 == 0;
        return ScaleColour(seam ? 0xFFA89C84u : 0xFFDCD0B4u, 0.95f + 0.1f * n);
    });
    PaintCell(sheet, noise, EProp::WallDepot, [](int x, int y, float n) {
        const int row = y / 6;
        const bool mortar = y % 6 == 5 || (x + (row % 2) * 6) % 12 == 0;
        return ScaleColour(mortar ? 0xFFB0A898u : 0xFF9A4A30u, 0.85f + 0.3f * n);
    });
    PaintCell(sheet, noise, EProp::Roof, [](int, int y, float n) {
        return ScaleColour(y % 5 == 4 ? 0xFF2A2E38u : 0xFF4E5666u, 0.9f + 0.2f * n);
    });
    PaintCell(sheet, noise, EProp::Door, [](int x, int y, float n) {
        if (y >= 28) return ((x + y) / 3) % 2 ? 0xFF202020u : 0xFFF0C020u; // hazard sill
        return ScaleColour(y % 4 == 3 ? 0xFF44505Cu : 0xFF7A8A9Au, 0.95f + 0.1f * n);
    });
    PaintCell(sheet, noise, EProp::Opening, [](int, int y, float) {
        return MixColour(0xFF303438u, 0xFF08090Au, float(y) / 31.0f);
    });
    PaintCell(sheet, noise, EProp::Window, [](int x, int y, float) {
        const bool frame = x % 16 < 2 || y < 2 || y > 29;
        return frame ? 0xFF505860u : MixColour(0xFFA8D0F0u, 0xFF5080B0u, float(y) / 31.0f);
    });
    PaintCell(sheet, noise, EProp::Concrete, [](int, int y, float n) {
        return y < 3 ? 0xFFF0C020u : ScaleColour(0xFFA4A4A0u, 0.85f + 0.3f * n);
    });
    PaintCell(sheet, noise, EProp::Hazard, [](int x, int y, float) {
        return ((x + y) / 6) % 2 ? 0xFF1C1C1Cu : 0xFFF0C020u;
    });
    PaintSign(sheet, EProp::SignHall, "HALL", 0xFF2050A0u, 0xFFFFFFFFu);
    PaintSign(sheet, EProp::SignDepot, "DEPOT", 0xFF902018u, 0xFFFFE060u);
    PaintCell(sheet, noise, EProp::Armour, [](int x, int y, float n) {
        const bool rivet = x % 10 == 4 && y % 10 == 4;
        return ScaleColour(rivet ? 0xFFB0B490u : 0xFF6A7040u, 0.9f + 0.2f * n);
    });
    PaintCell(sheet, noise, EProp::ArmourDark, Mottled(0xFF3C4028u, 0.1f));
    PaintCell(sheet, noise, EProp::CapsuleWhite, Mottled(0xFFE8ECF0u, 0.04f));
    PaintCell(sheet, noise, EProp::CapsuleTeal, [](int, int y, float) {
        return y >= 13 && y < 19 ? 0xFFF0F4F8u : 0xFF1C9898u;
    });
    PaintCell(sheet, noise, EProp::Post, [](int, int y, float n) {
        return ScaleColour(y % 16 < 8 ? 0xFFE07020u : 0xFFF0F0F0u, 0.92f + 0.16f * n);
    });
    PaintCell(sheet, noise, EProp::Crystal, [](int x, int y, float) {
        return std::abs((x * 2 - y) % 11) < 2 ? 0xFFF0D8FFu : MixColour(0xFF6030B0u, 0xFFB070F0u, float(y) / 31.0f);
    });
    PaintCell(sheet, noise, EProp::Grass, [](int x, int y, float n) {
        return MixColour(0xFF6AA83Cu, 0xFF2E5A1Cu, float(y) / 31.0f * (0.7f + 0.3f * float(x % 3) / 2.0f) * n * 1.5f);
    });
    PaintCell(sheet, noise, EProp::Pebble, Mottled(0xFF8C8274u, 0.2f));
}
} // namespace

SSwatch PropSwatch(EProp cell)
{
    const SPlace p = PlaceOf(cell);
    const float half = 0.5f / float(kSheet), size = 1.0f / float(kCells);
    return SSwatch{float(p.column) * size + half, float(p.row) * size + half,
                   float(p.column + p.width) * size - half, float(p.row + 1) * size - half};
}

SKitPart PropPart(const char* name, const CMeshKit& kit)
{
    return MakeDrawnPart(name, kPropSheet, kit);
}

bool WritePropSheet(const std::string& path)
{
    CSheet sheet(kSheet);
    Paint(sheet);
    return WriteImageFile(path.c_str(), MakeImageLevels(sheet.Pixels(), kSheet, kSheet), false,
                          kImageFormatX8R8G8B8);
}
