#include "tools/mksample/SampleMenus.h"
#include "tools/mksample/SampleMainMenu.h"

#include "tools/mksample/SampleGarage.h"

#include "foundation/DataBase.h"
#include "graphics/ImageFile.h"
#include "menus/MenuButton.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tools/mksample/SampleWidgets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr int kSheet = 1024;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kFrameFill = 0x26FFFFFFu;
constexpr std::uint32_t kEdge = 0xFFACF0F4u;

class CCanvas
{
public:
    CCanvas(std::vector<std::uint32_t>& pixels, int width, int height)
        : m_Pixels(pixels), m_nWidth(width), m_nHeight(height)
    {
    }

    void Set(int x, int y, std::uint32_t colour)
    {
        if (x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight)
            m_Pixels[std::size_t(y * m_nWidth + x)] = colour;
    }
    void Fill(int x, int y, int w, int h, std::uint32_t colour)
    {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                Set(i, j, colour);
    }
    void Frame(int x, int y, int w, int h, std::uint32_t fill, std::uint32_t edge)
    {
        Fill(x, y, w, h, fill);
        Fill(x, y, w, 1, edge);
        Fill(x, y + h - 1, w, 1, edge);
        Fill(x, y, 1, h, edge);
        Fill(x + w - 1, y, 1, h, edge);
    }
    // A corner of size s with a chamfer of c: edges (white unless given)
    // along the top and the left, the translucent frame colour inside,
    // clear outside the cut.
    void Corner(int x, int y, int s, int c, std::uint32_t edgeColour = kWhite)
    {
        for (int j = 0; j < s; ++j)
            for (int i = 0; i < s; ++i)
            {
                if (i + j < c) continue;
                const bool edge = j == 0 || i == 0 || i + j == c;
                Set(x + i, y + j, edge ? edgeColour : kFrameFill);
            }
    }
    // A triangle pointing up (dir 0), down (1), left (2) or right (3),
    // centred in the box.
    void Arrow(int x, int y, int w, int h, int dir, std::uint32_t colour)
    {
        const int size = std::min(w, h) / 2;
        const int cx = x + w / 2, cy = y + h / 2;
        for (int k = 0; k < size; ++k)
        {
            const int half = k / 2 + 1;
            switch (dir)
            {
            case 0:
                Fill(cx - half, cy - size / 2 + k, 2 * half, 1, colour);
                break;
            case 1:
                Fill(cx - half, cy + size / 2 - k, 2 * half, 1, colour);
                break;
            case 2:
                Fill(cx - size / 2 + k, cy - half, 1, 2 * half, colour);
                break;
            default:
                Fill(cx + size / 2 - k, cy - half, 1, 2 * half, colour);
                break;
            }
        }
    }
    void Cross(int x, int y, int w, int h, std::uint32_t colour)
    {
        const int size = std::min(w, h) / 2;
        const int cx = x + w / 2 - size / 2, cy = y + h / 2 - size / 2;
        for (int k = 0; k < size; ++k)
        {
            Fill(cx + k, cy + k, 2, 1, colour);
            Fill(cx + size - 1 - k, cy + k, 2, 1, colour);
        }
    }
    void Check(int x, int y, int w, int h, std::uint32_t colour)
    {
        const int size = std::min(w, h) / 2;
        const int cx = x + w / 2 - size / 2, cy = y + h / 2;
        for (int k = 0; k < size / 3; ++k)
            Fill(cx + k, cy + k - size / 3, 2, 2, colour);
        for (int k = 0; k < size - size / 3; ++k)
            Fill(cx + size / 3 + k, cy - k, 2, 2, colour);
    }
    void Plus(int x, int y, int w, int h, std::uint32_t colour, bool vertical)
    {
        const int size = std::min(w, h) / 2;
        Fill(x + w / 2 - size / 2, y + h / 2 - 1, size, 2, colour);
        if (vertical) Fill(x + w / 2 - 1, y + h / 2 - size / 2, 2, size, colour);
    }
    void Disc(int cx, int cy, int r, std::uint32_t colour)
    {
        for (int j = -r; j <= r; ++j)
            for (int i = -r; i <= r; ++i)
                if (i * i + j * j <= r * r) Set(cx + i, cy + j, colour);
    }

private:
    std::vector<std::uint32_t>& m_Pixels;
    int m_nWidth, m_nHeight;
};

enum EGlyph
{
    kNoGlyph,
    kUp,
    kDown,
    kLeft,
    kRight,
    kCheckGlyph,
    kCrossGlyph,
    kPlusGlyph,
    kMinusGlyph,
    kDot
};

EGlyph GlyphOf(int picture)
{
    switch (picture)
    {
    case 20:
    case 22:
    case 31:
    case 35:
        return kUp;
    case 21:
    case 23:
    case 32:
    case 36:
        return kDown;
    case 26:
    case 28:
    case 39:
        return kLeft;
    case 27:
    case 29:
    case 40:
        return kRight;
    case 45:
    case 94:
        return kCheckGlyph;
    case 46:
    case 56:
        return kCrossGlyph;
    case 33:
    case 37:
    case 53:
        return kPlusGlyph;
    case 34:
    case 38:
    case 54:
        return kMinusGlyph;
    case 24:
    case 25:
    case 30:
        return kDot;
    default:
        return kNoGlyph;
    }
}

// One state cell of a menu button: 0 normal, 1 hovered, 2 selected or
// ticked, 3 disabled.
void ButtonCell(CCanvas& c, int x, int y, int w, int h, int state, EGlyph glyph)
{
    static const std::uint32_t kFill[4] = {0xE02E5A7Bu, 0xF04A86B0u, 0xFFD0A040u, 0xC0505860u};
    static const std::uint32_t kEdges[4] = {kEdge, kWhite, kWhite, 0xFF808890u};
    const std::uint32_t ink = state == 3 ? 0xFFA0A8B0u : kWhite;
    c.Frame(x, y, w, h, kFill[state], kEdges[state]);
    switch (glyph)
    {
    case kUp:
        c.Arrow(x, y, w, h, 0, ink);
        break;
    case kDown:
        c.Arrow(x, y, w, h, 1, ink);
        break;
    case kLeft:
        c.Arrow(x, y, w, h, 2, ink);
        break;
    case kRight:
        c.Arrow(x, y, w, h, 3, ink);
        break;
    case kCheckGlyph:
        c.Check(x, y, w, h, ink);
        break;
    case kCrossGlyph:
        c.Cross(x, y, w, h, ink);
        break;
    case kPlusGlyph:
        c.Plus(x, y, w, h, ink, true);
        break;
    case kMinusGlyph:
        c.Plus(x, y, w, h, ink, false);
        break;
    case kDot:
        c.Disc(x + w / 2, y + h / 2, std::min(w, h) / 4, ink);
        break;
    case kNoGlyph:
        c.Fill(x + 4, y + h / 2, std::max(w - 8, 1), 1, ink);
        break;
    }
}

// A thumb's cell, as long as the longest thumb and cut at the thumb's
// length: a frame open at the far end, with ribs across it every 4 pixels.
void ThumbCell(CCanvas& c, int x, int y, int w, int h)
{
    const bool vertical = h > w;
    c.Fill(x, y, w, h, 0xE04A86B0u);
    c.Fill(x, y, vertical ? w : 1, vertical ? 1 : h, kWhite);
    c.Fill(x, y, vertical ? 1 : w, vertical ? h : 1, kWhite);
    if (vertical)
        c.Fill(x + w - 1, y, 1, h, kWhite);
    else
        c.Fill(x, y + h - 1, w, 1, kWhite);
    for (int k = 4; k < (vertical ? h : w); k += 4)
        c.Fill(vertical ? x + 4 : x + k, vertical ? y + k : y + 4, vertical ? w - 8 : 1, vertical ? 1 : h - 8,
               0xFFC8E4F0u);
}

// The tab icons: a symbol per picture (1 quest ... 13 glider), a row per
// state.
void TabIcon(CCanvas& c, int picture, int row)
{
    const int x = CMenuButton::kTabColumn * (picture - 1), y = row;
    const int w = CMenuButton::kTabIconWidth, h = CMenuButton::kTabIconHeight;
    const bool selected = row == CMenuButton::kTabRowSelected, hovered = row == CMenuButton::kTabRowHovered;
    const bool disabled = row == CMenuButton::kTabRowDisabled;
    const std::uint32_t ink =
        disabled ? 0x80A0A8B0u : (selected ? 0xFFFFE080u : (hovered ? kWhite : 0xFFC8DCE8u));
    if (!selected)
        c.Frame(x + 3, y + 3, w - 6, h - 6, hovered ? 0x403070A0u : 0x20204060u, ink & 0x80FFFFFFu);
    const int cx = x + w / 2, cy = y + h / 2;
    switch (picture)
    {
    case 1: // quest: an exclamation mark
        c.Fill(cx - 2, cy - 14, 5, 19, ink);
        c.Fill(cx - 2, cy + 9, 5, 5, ink);
        break;
    case 2:
    case 12: // trade: two arrows
        c.Arrow(cx - 18, cy - 14, 18, 28, 0, ink);
        c.Arrow(cx, cy - 14, 18, 28, 1, ink);
        if (picture == 12) c.Fill(cx - 16, cy + 12, 32, 2, ink);
        break;
    case 3: // map: a grid
        for (int k = 0; k < 4; ++k)
        {
            c.Fill(cx - 15 + 10 * k, cy - 15, 1, 31, ink);
            c.Fill(cx - 15, cy - 15 + 10 * k, 31, 1, ink);
        }
        break;
    case 4: // garage: a spanner
        c.Fill(cx - 2, cy - 6, 4, 22, ink);
        c.Fill(cx - 10, cy - 14, 20, 6, ink);
        break;
    case 5: // journal: lines of a page
        for (int k = 0; k < 5; ++k)
            c.Fill(cx - 14, cy - 14 + 7 * k, k == 4 ? 18 : 28, 2, ink);
        break;
    case 6: // cluster: three blocks
        c.Fill(cx - 16, cy, 9, 9, ink);
        c.Fill(cx - 4, cy - 12, 9, 9, ink);
        c.Fill(cx + 8, cy, 9, 9, ink);
        break;
    case 7: // clan: a flag
        c.Fill(cx - 12, cy - 16, 2, 32, ink);
        c.Fill(cx - 10, cy - 16, 22, 12, ink);
        break;
    case 8: // information: an i
        c.Disc(cx, cy - 12, 3, ink);
        c.Fill(cx - 2, cy - 5, 5, 19, ink);
        break;
    case 9:
    case 10: // exit: an arrow out of a door
        c.Frame(cx - 16, cy - 16, 16, 32, 0, ink);
        c.Arrow(cx - 4, cy - 10, 22, 20, 3, ink);
        if (picture == 10) c.Cross(cx + 6, cy + 6, 12, 12, ink);
        break;
    case 11: // tunnel: a ring
        c.Disc(cx, cy, 15, ink);
        c.Disc(cx, cy, 10, 0);
        break;
    case 13: // glider: a wedge
        c.Arrow(cx - 20, cy - 20, 40, 40, 0, ink);
        break;
    default:
        break;
    }
}

// The markup's icons, at the places its drawing takes them from.
void MarkupIcons(CCanvas& c)
{
    c.Disc(216 + 6, 62 + 6, 4, 0xFFFFD040u);      // POINT
    c.Arrow(344, 5, 15, 15, 1, 0xFF40E070u);      // BUY
    c.Arrow(344, 23, 15, 15, 0, 0xFFE04040u);     // SOLD
    c.Frame(531, 0, 14, 14, 0x80000000u, kWhite); // PLUS
    c.Plus(531, 0, 14, 14, kWhite, true);
    c.Frame(531, 45, 14, 14, 0x80000000u, kWhite); // MINUS
    c.Plus(531, 45, 14, 14, kWhite, false);
    c.Fill(275 + 8, 54 + 3, 5, 11, 0xFFFFD040u); // QUEST
    c.Fill(275 + 8, 54 + 16, 5, 3, 0xFFFFD040u);
    c.Fill(484 + 8, 320 + 3, 5, 11, 0xFF40D0FFu); // QUEST2
    c.Fill(484 + 8, 320 + 16, 5, 3, 0xFF40D0FFu);
    c.Check(295, 54, 20, 21, 0xFF40E070u); // OK
    c.Disc(315 + 10, 54 + 10, 8, kWhite);  // TIMER
    c.Disc(315 + 10, 54 + 10, 6, 0xFF303840u);
    c.Fill(315 + 10, 54 + 5, 1, 6, kWhite);
    c.Cross(335, 54, 21, 21, 0xFFE04040u);              // CANCEL
    c.Frame(363, 25, 21, 21, 0, 0xFFC0C0C0u);           // BLANK
    c.Frame(363, 47, 21, 21, 0xFF806020u, 0xFFFFD040u); // TICKET
    c.Frame(363, 3, 21, 21, 0xFF205080u, 0xFF80C0FFu);  // SUBSCR
}

// The whole sheet: the menus' pieces, the menu buttons' pictures and the
// widgets' pieces.
std::vector<std::uint32_t> SheetUII()
{
    std::vector<std::uint32_t> pixels(std::size_t(kSheet) * kSheet, 0);
    DrawMenuPiecesUII(pixels);
    DrawMenuButtonPictures(pixels, false);
    PaintWidgetSheetPieces(pixels);
    return pixels;
}

// The glow's 16 animation cells (4 x 4 of 64 x 64): a light band along
// the middle row, its strength pulsing from cell to cell.
std::vector<std::uint32_t> Glow()
{
    constexpr int kSize = 256, kCell = 64;
    std::vector<std::uint32_t> pixels(std::size_t(kSize) * kSize, 0);
    for (int cell = 0; cell < 16; ++cell)
    {
        const double pulse = 0.65 + 0.35 * std::sin(double(cell) * 3.14159265 / 8.0);
        const int x0 = (cell % 4) * kCell, y0 = (cell / 4) * kCell;
        for (int j = 0; j < kCell; ++j)
        {
            const double d = std::fabs(double(j) - 31.5) / 32.0;
            const auto a = std::uint32_t(255.0 * pulse * (1.0 - d) * (1.0 - d));
            for (int i = 0; i < kCell; ++i)
                pixels[std::size_t((y0 + j) * kSize + x0 + i)] = a << 24 | 0x80C0FFu;
        }
    }
    return pixels;
}

std::string Cp(const char* utf8)
{
    return plat::Utf8ToCp1251(utf8);
}

std::string DatabasePath(const std::string& root, const char* file)
{
    // The database wants a whole path.
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + file;
}
} // namespace

void DrawMenuButtonPictures(std::vector<std::uint32_t>& pixels, bool ui1)
{
    CCanvas c(pixels, kSheet, kSheet);
    int count = 0;
    const SMenuPicture* pictures = GetMenuPictures(&count);
    for (int i = 0; i < count; ++i)
    {
        const SMenuPicture& p = pictures[i];
        if (p.ui1 != ui1) continue;
        const bool thumb = p.picture == 24 || p.picture == 25;
        for (int state = 0; state < 4; ++state)
            if (p.x[state] < 0)
                continue;
            else if (thumb)
                ThumbCell(c, p.x[state], p.y, p.width, p.height);
            else
                ButtonCell(c, p.x[state], p.y, p.width, p.height, state, GlyphOf(p.picture));
    }
}

void DrawMenuPiecesUII(std::vector<std::uint32_t>& pixels)
{
    CCanvas c(pixels, kSheet, kSheet);
    c.Corner(CMenuButton::kTabCornerX, 0, CMenuButton::kTabCorner, 6);
    MarkupIcons(c);
    for (int picture = 1; picture <= CMenuButton::kTabPictures; ++picture)
        for (int row : {CMenuButton::kTabRowSelected, CMenuButton::kTabRowHovered,
                        CMenuButton::kTabRowEnabled, CMenuButton::kTabRowDisabled})
            TabIcon(c, picture, row);
}

void DrawMenuPiecesUI1(std::vector<std::uint32_t>& pixels)
{
    CCanvas c(pixels, kSheet, kSheet);
    c.Corner(648, 0, 22, 6); // the console frame's corner
    // The panel's, the markup windows' and the scroll bars' small corner.
    c.Corner(692, 0, 7, 3);
    // The cargo bar: green to yellow.
    for (int i = 0; i < 52; ++i)
        c.Fill(912 + i, 0, 1, 45, 0xFF000000u | std::uint32_t(40 + i * 4) << 16 | 0xC000u | 0x30u);
    // The panel: money at the left, the cargo bar's well in the middle.
    c.Frame(0, 757, 346, 54, 0xC0102838u, kEdge);
    c.Disc(40, 757 + 27, 12, 0xFFE0C040u);
    c.Disc(40, 757 + 27, 8, 0xFFB08020u);
    c.Frame(166, 757 + 2, 56, 50, 0xFF081018u, kEdge);
    c.Frame(232, 757 + 10, 24, 34, 0x40FFFFFFu, kWhite); // the cargo crate
    // The script-results box's scroll bar corner, in the box's light blue.
    c.Corner(347, 796, 7, 3, kEdge);
}

void DrawMenuSheetUI1(std::vector<std::uint32_t>& pixels)
{
    DrawMenuPiecesUI1(pixels);
    DrawMenuButtonPictures(pixels, true);
    DrawMainMenuPieces(pixels);
}

std::vector<SSampleMenuText> SampleMenuTexts()
{
    std::vector<SSampleMenuText> t = {
        {"HALL_WELCOME", Cp("Торговый зал"),
         Cp("Добро пожаловать в зал, пилот %NAME!<br><icon:POINT><a href=INT_HALL_SERVICES>Услуги "
            "зала</a><br>"
            "<icon:POINT><a href=close>Свернуть</a>")},
        {"INT_HALL_SERVICES", Cp("Услуги"),
         Cp("Здесь торгуют, чинят планеры и принимают заказы.<br><a href=clear>Очистить экран</a>")},
        {"INT_JOURNAL_UPDATED", "", Cp("<color=yellow>Журнал обновлён.<color>")},
        {"INT_PLAYER_GOT_OBJECT", "", Cp("Получено: %OBJECTNAME.")},
        {"INT_PLAYER_GOT_OBJECT_MULTY", "", Cp("Получено: %OBJECTNAME, %OBJECTCOUNT шт.")},
        {"INT_PLAYER_GAVE_OBJECT", "", Cp("Отдано: %OBJECTNAME.")},
        {"INT_PLAYER_GAVE_OBJECT_MULTY", "", Cp("Отдано: %OBJECTNAME, %OBJECTCOUNT шт.")},
        {"INT_PLAYER_ADD_BALANCE", "", Cp("На ваш счёт поступило <color=green>%COUNT<color>.")},
        {"INT_KEY_ADD", "", Cp("Получен ключ: %s.")},
        {"INT_KEY_ADD_MULTY", "", Cp("Получены ключи: %s.")},
        {"INT_MENU_TEXT_01", Cp("Ваше имя"), Cp("Как вас зовут, пилот?")},
    };
    // The organisation page, the mechanoid card and the conviction.
    const char* const pages[][2] = {
        {"02", "Состояние: "},
        {"03", "разгромлен"},
        {"04", "воюет"},
        {"05", "восстанавливается"},
        {"06", "вне локации"},
        {"07", "спокойно"},
        {"08", "До конца войны: %d ч.<br>"},
        {"09", "Лидер: "},
        {"10", "Заместитель: "},
        {"11", "Зданий: %d<br>"},
        {"12", "Девиз: "},
        {"13", "Сила: %.0f<br>"},
        {"14", "Лучший союзник: "},
        {"15", "Главный враг: "},
        {"16", "Зданий во владении: %d<br>"},
        {"17", "Экономика: %.1f из 10<br>"},
        {"18", "Казна пуста"},
        {"19", "Казна полна"},
        {"20", "Торговля слабая"},
        {"21", "Торговля сильная"},
        {"22", "Доля торговли: %.0f%%"},
        {"23", "Экономика"},
        {"24", "Отношения"},
        {"25", "В пути: %d, дома: %d, в строю: %d"},
        {"26", "Планеры (%d)"},
        {"27", "Активных: %d, погибших: %d<br>"},
        {"28", "Бездельничают: %d, дома: %d, в охране: %d, строят: %d, держат: %d<br>"},
        {"29", "Всего: %d"},
        {"30", "Предложение"},
        {"31", "Клан %s примет вас в свои ряды."},
        {"32", "Механоид: "},
        {"33", "Клан: "},
        {"34", "Уровень: %d<br>"},
        {"35", "нет в мире"},
        {"36", "погиб"},
        {"37", "ждёт в здании"},
        {"38", "в группе"},
        {"39", "свободен"},
        {"40", "на задании"},
        {"41", "в кластере"},
        {"42", "Состояние: "},
        {"43", " (%d)"},
        {"44", "<br>Цена вербовки: %d"},
        {"45", "Механоид %s теперь в вашем клане."},
    };
    for (const auto& page : pages)
    {
        // Two of them title their block or box.
        const std::string number = page[0];
        const std::string name = number == "27" ? Cp("Механоиды") : (number == "45" ? Cp("Вербовка") : "");
        t.push_back({"INT_MENU_TEXT_" + number, name, Cp(page[1])});
    }
    for (SSampleMenuText& garage : SampleGarageTexts())
        t.push_back(std::move(garage));
    return t;
}

bool WriteSampleMenus(const std::string& root)
{
    struct STexture
    {
        const char* name;
        const char* file;
        std::vector<std::uint32_t> (*picture)();
        std::uint32_t size;
    };
    const STexture textures[] = {
        {"TEX_INT_UII", "Data\\Textures\\int_uii.tm", SheetUII, 1024},
        {"TEX_INT_EFECTOR_SIDED_GLOW", "Data\\Textures\\int_glow.tm", Glow, 256},
    };
    for (const STexture& t : textures)
    {
        const std::string path = root + "\\" + t.file;
        if (!WriteImageFile(path.c_str(), MakeImageLevels(t.picture(), t.size, t.size), false,
                            kImageFormatA8R8G8B8))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
            return false;
        }
    }
    DataBase db;
    const std::string dbPath = DatabasePath(root, "Data\\DB.dat");
    if (!db.OpenDatabase(dbPath.c_str(), false, false)) return false;
    bool ok = db.SelectTable(Cp("Текстуры").c_str());
    for (const STexture& t : textures)
        ok = ok && db.Append(t.name) && db.SetField("Filename", t.file) &&
             db.SetField("Type", std::int32_t(0)) && db.SetField("Color", std::int32_t(0)) &&
             db.SetField("LOD", std::int32_t(0)) && db.SetField("TEXTURETYPE", std::int32_t(2)) && db.Post();
    // The menus' sounds, from the sample's clicks.
    ok = ok && db.SelectTable(Cp("Звуки").c_str());
    const char* const sounds[][2] = {{"SND_I_OK", "Data\\Sounds\\click0.wav"},
                                     {"SND_I_FOLDER", "Data\\Sounds\\click2.wav"}};
    for (const auto& s : sounds)
        ok = ok && db.Append(s[0]) && db.SetField("NAME", s[0]) && db.SetField("CATEGORY", "menus") &&
             db.SetField("VOLUME", 0.8f) && db.SetField("FILENAME", s[1]) &&
             db.SetField("3DSOUND", std::int32_t(0)) && db.SetField("MINDIST", 1.0f) && db.Post();
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the menus' textures and sounds to %s\n", dbPath.c_str());
        return false;
    }

    DataBase texts;
    const std::string textPath = DatabasePath(root, "SCRIPT\\Quest.dat");
    if (!texts.OpenDatabase(textPath.c_str(), false, false) || !texts.SelectTable("INFORMATION"))
        return false;
    for (const SSampleMenuText& t : SampleMenuTexts())
        ok = ok && texts.Append(t.key.c_str()) && texts.SetField("TEXT", t.text.c_str()) &&
             texts.SetField("NAME", t.name.c_str()) && texts.SetField("DELETED", std::int32_t(0)) &&
             texts.Post();
    if (!texts.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the menus' texts to %s\n", textPath.c_str());
        return false;
    }
    return true;
}
