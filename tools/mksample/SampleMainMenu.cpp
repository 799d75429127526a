#include "tools/mksample/SampleMainMenu.h"
#include "tools/mksample/SampleTextures.h"

#include "foundation/DataBase.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace
{
constexpr int kSheet = 1024;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

void Fill(std::vector<std::uint32_t>& px, int x, int y, int w, int h, std::uint32_t colour)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            px[std::size_t(j) * kSheet + std::size_t(i)] = colour;
}

// An item's look: a framed bar with a bright left mark, its fill by look.
// Its first six columns stay clear: the cockpit's gauge segments lie there
// beside one of them.
void Item(std::vector<std::uint32_t>& px, int x, int y, std::uint32_t fill)
{
    Fill(px, x + 6, y, 171, 32, 0xFF0A1A28u);
    Fill(px, x + 7, y + 1, 169, 30, fill);
    Fill(px, x + 10, y + 8, 4, 16, kWhite);
    // A short bar per item: the items are told apart by its length.
    Fill(px, x + 16, y + 14, 40 + (x + y) % 90, 4, 0xC0FFFFFFu);
}

std::string AbsolutePath(const std::string& root, const char* file)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + file;
}

constexpr std::uint32_t kOn = 0xFF3A8CC8u, kHovered = 0xFF2A6A9Au, kNormal = 0xFF173C5Cu;
constexpr int kMenuWidth = 1024, kMenuHeight = 768;
} // namespace

void DrawMainMenuPieces(std::vector<std::uint32_t>& px)
{
    // Items 3941-3946: a row each, the looks in columns (on, hovered, normal).
    for (const int top : {357, 390, 423, 456, 489, 522})
    {
        Item(px, 362, top, kOn);
        Item(px, 540, top, kHovered);
        Item(px, 184, top, kNormal);
    }
    // 3947 (column 671), 3948 (184) and 3950 (492): the looks in rows.
    for (const auto& [left, tops] : {std::pair{671, std::array<int, 3>{185, 218, 152}},
                                     std::pair{184, std::array<int, 3>{613, 646, 580}},
                                     std::pair{492, std::array<int, 3>{186, 219, 153}}})
    {
        Item(px, left, tops[0], kOn);
        Item(px, left, tops[1], kHovered);
        Item(px, left, tops[2], kNormal);
    }
    // The panel's backdrop behind the items: faint horizontal lines, clear
    // of the cockpit's pieces at its top and right.
    for (int y = 363; y < 357 + 399; y += 6)
        Fill(px, 0, y, 176, 1, 0x30A0D0F0u);
    // The dialog frame's corner (9 x 9) and side piece (6 x 127).
    Fill(px, 831, 753, 9, 1, kWhite);
    Fill(px, 831, 753, 1, 9, kWhite);
    Fill(px, 833, 755, 3, 3, 0xFF80E0FFu);
    Fill(px, 1018, 743, 6, 127, 0xA0FFFFFFu);
    Fill(px, 1019, 743, 2, 127, kWhite);
}

bool WriteSampleMainMenu(const std::string& root)
{
    // The main menu's background: a dark blue field with a lighter band.
    std::vector<std::uint32_t> picture(std::size_t(kMenuWidth) * kMenuHeight);
    for (int y = 0; y < kMenuHeight; ++y)
        for (int x = 0; x < kMenuWidth; ++x)
        {
            const int band = std::abs(y - kMenuHeight * 2 / 3);
            const std::uint32_t blue = std::uint32_t(std::max(40, 150 - band / 3));
            picture[std::size_t(y) * kMenuWidth + std::size_t(x)] =
                0xFF000000u | (blue / 4) << 16 | (blue / 2) << 8 | blue;
        }
    const std::string image = root + "\\Data\\Images\\mainmenu.tga";
    if (!WriteTga(image, picture, kMenuWidth, kMenuHeight))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", image.c_str());
        return false;
    }

    DataBase db;
    const std::string dbPath = AbsolutePath(root, "Data\\DB.dat");
    if (!db.OpenDatabase(dbPath.c_str(), false, false)) return false;
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Изображения").c_str()) && db.Append("SUF_MAINMENU") &&
              db.SetField("Filename", "Data\\Images\\mainmenu.tga") && db.SetField("WIDTH", kMenuWidth) &&
              db.SetField("HEIGHT", kMenuHeight) && db.SetField("NOFILTER", std::int32_t(0)) &&
              db.SetField("NOFILTERALPHA", std::int32_t(0)) && db.Post();
    ok = ok && db.SelectTable(plat::Utf8ToCp1251("Звуки").c_str());
    const char* const sounds[][2] = {{"SND_I_MENU_TOGGLE", "Data\\Sounds\\click2.wav"},
                                     {"SND_I_MENU_CLICK", "Data\\Sounds\\click0.wav"}};
    for (const auto& s : sounds)
        ok = ok && db.Append(s[0]) && db.SetField("NAME", s[0]) && db.SetField("CATEGORY", "menus") &&
             db.SetField("VOLUME", 0.8f) && db.SetField("FILENAME", s[1]) &&
             db.SetField("3DSOUND", std::int32_t(0)) && db.SetField("MINDIST", 1.0f) && db.Post();
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the main menu's picture and sounds to %s\n", dbPath.c_str());
        return false;
    }

    // key, name, text (UTF-8 here, code page 1251 in the database).
    const char* const texts[][3] = {
        {"INT_QUIT_CONFIRM1", "Выход", "Выйти из игры?"},
        {"INT_QUIT_CONFIRM2", "", "Всё, что не сохранено, будет потеряно."},
        {"INT_QUIT_CONFIRM3", "Главное меню", "Вернуться в главное меню?"},
        {"INT_QUIT_CONFIRM4", "", "Текущая игра будет закончена."},
        {"INT_AUTORS", "", "<b>Тарвокс II</b><br>Пример данных"},
        {"INT_AUTORS1", "", "Программа<br>Команда примера"},
        {"INT_AUTORS2", "", "Графика<br>Генератор примера"},
        {"INT_AUTORS3", "", "Звук и музыка<br>Генератор примера"},
        {"INT_AUTORS4", "", "Тексты<br>Команда примера"},
        {"INT_AUTORS6", "", "Испытания<br>Автоматические тесты"},
        {"INT_AUTORS7", "", "Спасибо всем, кто играет!"},
    };
    DataBase quest;
    const std::string textPath = AbsolutePath(root, "SCRIPT\\Quest.dat");
    if (!quest.OpenDatabase(textPath.c_str(), false, false) || !quest.SelectTable("INFORMATION")) return false;
    for (const auto& t : texts)
        ok = ok && quest.Append(t[0]) && quest.SetField("TEXT", plat::Utf8ToCp1251(t[2]).c_str()) &&
             quest.SetField("NAME", plat::Utf8ToCp1251(t[1]).c_str()) &&
             quest.SetField("DELETED", std::int32_t(0)) && quest.Post();
    if (!quest.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the main menu's texts to %s\n", textPath.c_str());
        return false;
    }
    return true;
}
