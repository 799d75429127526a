#include "tools/mksample/SampleMarkup.h"

#include "foundation/DataBase.h"
#include "foundation/ImageWriters.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <cstdint>
#include <cstdio>

namespace
{
std::string Cp(const char* utf8)
{
    return plat::Utf8ToCp1251(utf8);
}

// Absolute, so that the database does not put the working directory in front.
std::string InRoot(const std::string& root, const char* path)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + path;
}

// A small map: dark blue water, a green island with a yellow outline and a
// red mark, inside a light frame.
bool WriteMapPicture(const std::string& path)
{
    constexpr std::uint32_t w = 96, h = 64;
    std::vector<std::uint8_t> bgr(std::size_t(w) * h * 3);
    for (std::uint32_t row = 0; row < h; ++row)
    {
        const std::uint32_t y = h - 1 - row; // the file stores the bottom row first
        for (std::uint32_t x = 0; x < w; ++x)
        {
            std::uint32_t rgb = 0x1E3C78;
            const int dx = int(x) - 48, dy = int(y) - 32;
            const int d = dx * dx + 2 * dy * dy;
            if (d < 600) rgb = 0x3CA046;
            if (d >= 600 && d < 700) rgb = 0xD2D360;
            if (dx * dx + dy * dy < 12) rgb = 0xE41D30;
            if (x < 2 || y < 2 || x >= w - 2 || y >= h - 2) rgb = 0xC8D2DC;
            std::uint8_t* p = &bgr[(std::size_t(row) * w + x) * 3];
            p[0] = std::uint8_t(rgb);
            p[1] = std::uint8_t(rgb >> 8);
            p[2] = std::uint8_t(rgb >> 16);
        }
    }
    return SaveBitmapFile(path.c_str(), w, h, bgr.data(), 3);
}
} // namespace

std::vector<SSampleMarkupPage> SampleMarkupPages()
{
    return {
        {"INT_MARKUP_WELCOME", Cp("Станция Тарвокс"),
         Cp("<icon:POINT>Станция <color:yellow>Тарвокс<color> приветствует пилота.<br>"
            "<image:markup_map.bmp>Карта сектора справа: остров в центре, красная метка - ваш планер. "
            "Новое задание: <link:прочитать=INT_MARKUP_QUEST>.<br>"
            "Торговля: <a href=INT_MARKUP_TRADE>цены на товары</a>, "
            "<reference:справка=INT_MARKUP_HELP>.<p>"
            "<halign=right><color:ff8040>Конец связи</halign>")},
        {"INT_MARKUP_QUEST", Cp("Задание: груз для базы"),
         Cp("<icon:QUEST><font:1>Груз для базы<font><br>"
            "Доставьте <color:green>десять ящиков<color> энергокристаллов на северную базу до заката. "
            "Охрана конвоя не предусмотрена, поэтому держитесь подальше от дорог, где замечены пираты.<p>"
            "<icon:TIMER>Срок: 2 часа.<br><link:принять=ACCEPT_Q1> | <link:отказаться=REFUSE_Q1>")},
        {"INT_MARKUP_TRADE", Cp("Цены на товары"),
         Cp("<icon:BUY>Кристаллы <halign=right><color:green>120</halign>"
            "<icon:SOLD>Металл <halign=right><color:red>45</halign>"
            "<icon:BUY>Топливо <halign=right>80</halign>"
            "<a link=INT_MARKUP_WELCOME>назад</a>")},
        {"INT_MARKUP_HELP", Cp("Справка"),
         Cp("Ссылки в тексте <color:cyan>выделены цветом<color>; цифры 1-9 выбирают ссылку по номеру, "
            "пробел - последнюю.<br><iconscale:OK>Готово.<br><reference:на главную=INT_MARKUP_WELCOME>")},
    };
}

std::vector<SSampleMarkupPage> SampleQuestTexts()
{
    return {
        {"Q1_TITLE", Cp("Кристаллы для северной базы"), ""},
        {"Q1_PART1", Cp("Задание получено"),
         Cp("%NAME, северной базе нужны <color:green>10 кристаллов<color>. Доставьте их за двое суток.")},
        {"Q1_PART2", Cp("Груз доставлен"), Cp("Кристаллы на месте. Возвращайтесь на южную базу за наградой.")},
        {"Q1_NEED_CRYSTALS", "", Cp("Без десяти кристаллов на базу не возвращайтесь.")},
        {"Q1_DELIVERED", "", Cp("Груз принят. Спасибо, пилот!")},
        {"Q1_DONE", "", Cp("Задание выполнено: <color:yellow>500<color> на ваш счёт.")},
        {"Q1_FAILED", "", Cp("Время вышло: задание провалено.")},
        {"INT_SAMPLE_GREETING", "", Cp("Добро пожаловать, %NAME!")},
        {"INT_SAMPLE_GREETING.1", "", "Welcome aboard, %NAME!"},
        {"ORG_PLAYER", "Free pilots", ""},
        {"ORG_PLAYER_MEMBER", "free pilot", ""},
        {"RATING.1", "Novice", ""},
        {"RATING.2", "Pilot", ""},
        {"RATING.3", "Ace", ""},
        // The caption of the saved game written on entering a building.
        {"OTH_AUTOSAVE", "", Cp("Автосохранение")},
        // Posted in the network game when the server cannot be reached.
        {"INT_NET_FAIL", "", Cp("Нет связи с сервером")},
    };
}

bool WriteSampleMarkup(const std::string& root)
{
    const std::string picture = root + "\\Data\\Images\\" + kSampleMarkupImage;
    if (!WriteMapPicture(picture))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", picture.c_str());
        return false;
    }
    const std::string path = InRoot(root, "SCRIPT\\Quest.dat");
    DataBase db;
    if (!db.OpenDatabase(path.c_str(), true, false) || !db.SelectTable("INFORMATION"))
    {
        std::fprintf(stderr, "mksample: cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = true;
    std::vector<SSampleMarkupPage> records = SampleMarkupPages();
    for (SSampleMarkupPage& text : SampleQuestTexts())
        records.push_back(std::move(text));
    for (const SSampleMarkupPage& page : records)
    {
        ok = ok && db.Append(page.key.c_str()) && db.SetField("TEXT", page.text.c_str()) &&
             db.SetField("NAME", page.name.c_str()) && db.SetField("DELETED", std::int32_t(0)) && db.Post();
    }
    if (!db.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
