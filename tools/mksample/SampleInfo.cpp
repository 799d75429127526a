#include "tools/mksample/SampleInfo.h"

#include "foundation/DataBase.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <cstdio>

namespace
{
std::string Cp(const char* utf8)
{
    return plat::Utf8ToCp1251(utf8);
}
} // namespace

std::vector<SSampleMenuText> SampleInfoTexts()
{
    std::vector<SSampleMenuText> t = {
        // The save/load panel: its three info labels and the delete question.
        {"INT_SAVE_LABEL1", "", Cp("Локация")},
        {"INT_SAVE_LABEL2", "", Cp("Здание")},
        {"INT_SAVE_LABEL3", "", Cp("Пилот")},
        {"INT_SAVE_DELETE", Cp("Удаление"), Cp("Удалить это сохранение?")},
        // The sample location's display name, shown in the save list.
        {"sample", Cp("Пустошь"), Cp("Равнина у северной дороги.")},
        {"north", Cp("Север"), Cp("Зеркальная равнина за восточным тоннелем.")},
        // The information desk: caption, menu, pages and dialogs.
        {"INT_INFO_CAPTION_01", "", Cp("Справочная")},
        {"INT_INFO_LISTITEM_01", "", Cp("О здании")},
        {"INT_INFO_LISTITEM_02", "", Cp("Организации")},
        {"INT_INFO_LISTITEM_03", "", Cp("Найти механоида")},
        {"INT_INFO_LISTITEM_04", "", Cp("Билеты")},
        {"INT_INFO_LISTITEM_05", "", Cp("Купить карту локации")},
        {"INT_INFO_TEXT_01", "", Cp("Цена карты: %d.")},
        {"INT_INFO_TEXT_02", "", Cp("Купить карту этой локации?")},
        {"INT_INFO_TEXT_03", "", Cp("Карта")},
        {"INT_INFO_TEXT_04", "", Cp("Имя механоида:")},
        {"INT_INFO_TEXT_05", "", Cp("Поиск")},
        {"INT_INFO_TEXT_06", "", Cp("Механоид ")},
        {"INT_INFO_TEXT_07", "", Cp("Организация: ")},
        {"INT_INFO_TEXT_08", "", Cp("погиб, вернётся через %d дн.")},
        {"INT_INFO_TEXT_09", "", Cp("погиб")},
        {"INT_INFO_TEXT_10", "", Cp("на задании")},
        {"INT_INFO_TEXT_11", "", Cp("с группой в здании")},
        {"INT_INFO_TEXT_12", "", Cp("с группой в пути")},
        {"INT_INFO_TEXT_13", "", Cp("в кластере")},
        {"INT_INFO_TEXT_14", "", Cp("Состояние: ")},
        {"INT_INFO_TEXT_15", "", Cp("Цена вербовки: ")},
        {"INT_INFO_TEXT_16", "", Cp(": найден")},
        {"INT_INFO_TEXT_17", "", Cp(": не найден")},
        {"INT_INFO_TEXT_18", "", Cp("Такого механоида нет в локации.")},
        {"INT_INFO_TEXT_19", "", Cp("Ваши билеты")},
        {"INT_INFO_TEXT_20", "", Cp("Билеты в продаже")},
        {"INT_INFO_TEXT_21", "", Cp("Билет: %d</a>")},
        {"INT_INFO_TEXT_22", "", Cp("Абонемент: %d</a>")},
        {"INT_INFO_TEXT_23", "", Cp("Билеты")},
        {"INT_INFO_TEXT_24", Cp("Пеленг"), Cp("<a href=setpeleng>Взять пеленг за %d</a>")},
        {"INT_NET_KEYS", Cp("Сеть тоннелей"), Cp("Билет проводит через тоннель один раз, абонемент всегда.")},
        {"INT_YOUHAVE_KEYS", "", Cp("У вас билетов: %d.")},
        {"INT_YOUHAVE_MULTIKEYS", "", Cp("У вас абонемент.")},
        // A description topic of the hall.
        {"INFO_HALL_HISTORY", Cp("История зала"), Cp("Зал построили торговцы первой волны.")},
        // The journal: tabs, groups, statistics labels, the time left.
        {"INT_LOG_TOOLTIP_01", "", Cp("Задания")},
        {"INT_LOG_TOOLTIP_02", "", Cp("Журнал")},
        {"INT_LOG_TOOLTIP_03", "", Cp("Статистика")},
        {"INT_LOG_TOOLTIP_04", "", Cp("Вся статистика")},
        {"INT_LOG_TOOLTIP_05", "", Cp("Планеры")},
        {"INT_LOG_TOOLTIP_06", "", Cp("Бой")},
        {"INT_LOG_TOOLTIP_07", "", Cp("Торговля")},
        {"INT_LOG_TOOLTIP_08", "", Cp("Задания")},
        {"INT_LOG_TOOLTIP_09", "", Cp("Рейтинг")},
        {"INT_LOG_TOOLTIP_10", "", Cp("Клан")},
        {"INT_LOG_TOOLTIP_11", "", Cp("Бортовой журнал")},
        {"INT_TIMELEFT", "", Cp("Осталось: %d ч %d мин")},
        {"INT_QUEST_FAIL", Cp("Провалено"), Cp("Задание провалено.")},
        {"INT_QUEST_COMPLETE", Cp("Выполнено"), Cp("Задание выполнено.")},
        // The map console's captions.
        {"INT_MAP_CAPTION", "", Cp("Отметки")},
        {"INT_MAP_CAPTION2", "", Cp("Точки")},
        {"INT_MAP_CAPTION3", "", Cp("Здания")},
        {"INT_MAP_CAPTION4", "", Cp("Механоиды")},
        {"INT_MAP_CAPTION5", "", Cp("Цель")},
    };
    const char* const statistics[] = {
        "Убито механоидов",  "Завербовано",       "Сбито планеров",   " (по кланам)",     "Выстрелов лёгким",
        "Выстрелов тяжёлым", "Выстрелов ракетами", "Точность лёгкого", "Точность тяжёлого", "Точность ракет",
        "Точность бомб",     "Точность прочего",  "Куплено товаров",  "Продано товаров",  "Продано трофеев",
        "На снаряжение",     "На ремонт",         "На боеприпасы",    "Цена планера",     "Активных заданий",
        "Выполнено",         "Провалено",         "Боевой рейтинг",   "Очки",             "Потрачено",
        "До уровня",         "Торговый рейтинг",  "Общий рейтинг",    "Клан",             "Доля клана",
        "Захвачено зданий",  "Потеряно зданий",   "Кланы",            "Сила клана",       "Локаций под кланом",
    };
    for (int i = 0; i < 35; ++i)
    {
        char key[32];
        std::snprintf(key, sizeof key, "INT_LOG_TEXT_%02d", i + 1);
        t.push_back({key, "", Cp(statistics[i])});
    }
    return t;
}

bool WriteSampleInfo(const std::string& root)
{
    DataBase texts;
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    const std::string path = base + "\\SCRIPT\\Quest.dat";
    if (!texts.OpenDatabase(path.c_str(), false, false) || !texts.SelectTable("INFORMATION")) return false;
    bool ok = true;
    for (const SSampleMenuText& t : SampleInfoTexts())
        ok = ok && texts.Append(t.key.c_str()) && texts.SetField("TEXT", t.text.c_str()) &&
             texts.SetField("NAME", t.name.c_str()) && texts.SetField("DELETED", std::int32_t(0)) && texts.Post();
    if (!texts.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the information texts to %s\n", path.c_str());
        return false;
    }
    return true;
}
