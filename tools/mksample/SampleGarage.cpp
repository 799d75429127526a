#include "tools/mksample/SampleGarage.h"

#include "platform/CodePage.h"
#include "society/EqpTrade.h"

#include <cstdio>
#include <string>

namespace
{
SEqpItem GarageItem(const char* name, std::uint32_t kind, float price, std::int32_t count, float rate)
{
    SEqpItem item;
    std::snprintf(item.m_szName, sizeof item.m_szName, "%s", name);
    item.m_dwKind = kind;
    item.m_fPrice = price;
    item.m_nCount = count;
    item.m_fRate = rate;
    return item;
}
} // namespace

void AddSampleGarageStock(CEqpTrade& stock)
{
    // Counted items restock now and then; the cheap ones are plenty.
    stock.m_Buildings.push_back({"SAMPLE_GARAGE",
                                 {GarageItem("GUN_LASER", 3, 1500.0f, 3, 1.0f),
                                  GarageItem("GUN_ROCKET_LAUNCHER", 3, 4000.0f, 2, 1.0f),
                                  GarageItem("ARMOR_SMALL", 2, 500.0f, 4, 1.0f),
                                  GarageItem("SHIELD_SMALL", 2, 600.0f, 2, 1.0f),
                                  GarageItem("ENGINE_SMALL", 2, 700.0f, 2, 1.0f),
                                  GarageItem("REACTOR_SMALL", 2, 800.0f, 2, 1.0f),
                                  GarageItem("MIS_ROCKET", 4, 60.0f, 200, 20.0f),
                                  GarageItem("MIS_MINE", 4, 90.0f, 50, 10.0f),
                                  GarageItem("MOD_GUN_RATE_1", 3, 0.0f, 2, 0.5f),
                                  GarageItem("MOD_SHIELD_1", 2, 0.0f, 1, 0.5f)}});
}

std::vector<SSampleMenuText> SampleGarageTexts()
{
    // key, name, text (UTF-8 here).
    static const char* const kTexts[][3] = {
        // The slot bars, filters, pages and notices.
        {"INT_GARAGE_TOOLTIP1", "", "Щит"},
        {"INT_GARAGE_TOOLTIP2", "", "Планер"},
        {"INT_GARAGE_TOOLTIP3", "", "Броня"},
        {"INT_GARAGE_TOOLTIP4", "", "Реактор"},
        {"INT_GARAGE_TOOLTIP5", "", "Двигатель"},
        {"INT_GARAGE_TOOLTIP6", "", "Первое орудие"},
        {"INT_GARAGE_TOOLTIP7", "", "Второй реактор"},
        {"INT_GARAGE_TOOLTIP8", "", "Второй двигатель"},
        {"INT_GARAGE_TOOLTIP9", "", "Второе орудие"},
        {"INT_GARAGE_TOOLTIP10", "", "Планеры"},
        {"INT_GARAGE_TOOLTIP11", "", "Оборудование"},
        {"INT_GARAGE_TOOLTIP12", "", "Оружие"},
        {"INT_GARAGE_TOOLTIP13", "", "Боеприпасы"},
        {"INT_GARAGE_TOOLTIP14", "", "Мины"},
        {"INT_GARAGE_TOOLTIP15", "", "Ракеты"},
        {"INT_GARAGE_TOOLTIP16", "", "Бомбы"},
        {"INT_GARAGE_TOOLTIP17", "", "Щиты и броня"},
        {"INT_GARAGE_TOOLTIP18", "", "Реакторы"},
        {"INT_GARAGE_TOOLTIP19", "", "Двигатели"},
        {"INT_GARAGE_TOOLTIP20", "", "Устройства"},
        {"INT_GARAGE_TOOLTIP21", "", "Выбрать конфигурацию"},
        {"INT_GARAGE_TOOLTIP22", "", "Конфигурация"},
        {"INT_GARAGE_TOOLTIP23", "", "Ваш планер"},
        {"INT_GARAGE_TOOLTIP24", "", "Оборона клана"},
        {"INT_GARAGE_TOOLTIP25", "", "Торговля клана"},
        {"INT_GARAGE_TOOLTIP26", "", "Нападение клана"},
        {"INT_GARAGE_TOOLTIP27", "", "Лёгкое орудие"},
        {"INT_GARAGE_TOOLTIP28", "", "Тяжёлое орудие"},
        {"INT_GARAGE_TOOLTIP29", "", "Цена:"},
        {"INT_GARAGE_TOOLTIP30", "", "Вес:"},
        {"INT_GARAGE_TOOLTIP31", "", "Ремонт:"},
        {"INT_GARAGE_TOOLTIP32", "", "Боезапас:"},
        {"INT_GARAGE_TOOLTIP33", "", "Планер"},
        {"INT_GARAGE_TOOLTIP34", "", "Купить и установить модификацию"},
        {"INT_GARAGE_TOOLTIP35", "", "Установить модификацию"},
        {"INT_GARAGE_CAPTION1", "", "Модификация"},
        {"INT_GARAGE_CAPTION2", "", "Защита"},
        {"INT_GARAGE_CAPTION3", "", "Скорость"},
        {"INT_GARAGE_CAPTION4", "", "Вес"},
        {"INT_GARAGE_CAPTION5", "", "Энергия"},
        {"INT_GARAGE_CAPTION6", "", "Механоид"},
        {"INT_GARAGE_CAPTION7", "", "Описание"},
        {"INT_GARAGE_CAPTION8", "", "Характеристики"},
        // The modifier page.
        {"INT_GARAGE_TEXT1", "", "Прочность"},
        {"INT_GARAGE_TEXT2", "", "Вес"},
        {"INT_GARAGE_TEXT7", "", "Скорострельность"},
        {"INT_GARAGE_TEXT8", "", "Энергия"},
        {"INT_GARAGE_TEXT14", "", "орудие"},
        {"INT_GARAGE_TEXT17", "", "щит"},
        {"INT_GARAGE_TEXT18", "", "Ёмкость щита"},
        {"INT_GARAGE_TEXT26", "", "Для"},
        {"INT_GARAGE_TEXT27", "", "Свойство"},
        {"INT_GARAGE_TEXT28", "", "Уровень"},
        {"INT_GARAGE_TEXT29", "", "первое"},
        {"INT_GARAGE_TEXT30", "", "второе"},
        {"INT_GARAGE_TEXT31", "", "третье"},
        {"INT_GARAGE_TEXT32", "", "Свойство 1"},
        {"INT_GARAGE_TEXT33", "", "Свойство 2"},
        {"INT_GARAGE_TEXT34", "", "Свойство 3"},
        {"INT_GARAGE_TEXT35", "", "Модификации"},
        // The item pages.
        {"INT_GARAGE_TEXT44", "", "без класса"},
        {"INT_GARAGE_TEXT45", "", "Планер"},
        {"INT_GARAGE_TEXT46", "", "обычный"},
        {"INT_GARAGE_TEXT47", "", "модифицированный"},
        {"INT_GARAGE_TEXT48", "", "Класс оборудования"},
        {"INT_GARAGE_TEXT49", "", "Вес"},
        {"INT_GARAGE_TEXT50", "", "Грузоподъёмность"},
        {"INT_GARAGE_TEXT51", "", "Поворот"},
        {"INT_GARAGE_TEXT52", "", "Класс"},
        {"INT_GARAGE_TEXT53", "", "Прочность"},
        {"INT_GARAGE_TEXT54", "", "Орудия"},
        {"INT_GARAGE_TEXT55", "", "лёгких: "},
        {"INT_GARAGE_TEXT56", "", "тяжёлых: "},
        {"INT_GARAGE_TEXT57", "", "нет"},
        {"INT_GARAGE_TEXT58", "", "нет сведений"},
        {"INT_GARAGE_TEXT63", "", "Прямое попадание"},
        {"INT_GARAGE_TEXT64", "", "Взрыв"},
        {"INT_GARAGE_TEXT65", "", "Осколки"},
        {"INT_GARAGE_TEXT66", "", "Дальность"},
        {"INT_GARAGE_TEXT67", "", "лёгкое орудие"},
        {"INT_GARAGE_TEXT68", "", "тяжёлое орудие"},
        {"INT_GARAGE_TEXT69", "", "лёгкое, модиф."},
        {"INT_GARAGE_TEXT70", "", "тяжёлое, модиф."},
        {"INT_GARAGE_TEXT71", "", "Время стрельбы"},
        {"INT_GARAGE_TEXT72", "", "Тип"},
        {"INT_GARAGE_TEXT73", "", "Выстрелов в секунду"},
        {"INT_GARAGE_TEXT74", "", "Энергия"},
        {"INT_GARAGE_TEXT75", "", "Вес"},
        {"INT_GARAGE_TEXT76", "", "Орудие"},
        {"INT_GARAGE_TEXT77", "", "нет сведений"},
        {"INT_GARAGE_TEXT78", "", "броня"},
        {"INT_GARAGE_TEXT79", "", "Защита"},
        {"INT_GARAGE_TEXT80", "", "щит"},
        {"INT_GARAGE_TEXT81", "", "щит, модиф."},
        {"INT_GARAGE_TEXT82", "", "Ёмкость"},
        {"INT_GARAGE_TEXT83", "", "Восстановление"},
        {"INT_GARAGE_TEXT84", "", "Предел"},
        {"INT_GARAGE_TEXT85", "", "Прочность"},
        {"INT_GARAGE_TEXT86", "", "Тяга"},
        {"INT_GARAGE_TEXT87", "", "двигатель"},
        {"INT_GARAGE_TEXT88", "", "двигатель, модиф."},
        {"INT_GARAGE_TEXT89", "", "Мощность"},
        {"INT_GARAGE_TEXT90", "", "реактор"},
        {"INT_GARAGE_TEXT91", "", "реактор, модиф."},
        {"INT_GARAGE_TEXT92", "", "устройство"},
        {"INT_GARAGE_TEXT93", "", "Управление"},
        {"INT_GARAGE_TEXT94", "", "ручное"},
        {"INT_GARAGE_TEXT95", "", "автоматическое"},
        {"INT_GARAGE_TEXT96", "", "Дистанция подрыва"},
        {"INT_GARAGE_TEXT97", "", "Задержка подрыва"},
        {"INT_GARAGE_TEXT98", "", "Прямое попадание"},
        {"INT_GARAGE_TEXT99", "", "Взрыв"},
        {"INT_GARAGE_TEXT100", "", "Осколки"},
        {"INT_GARAGE_TEXT101", "", "бомба"},
        {"INT_GARAGE_TEXT102", "", "ракета"},
        {"INT_GARAGE_TEXT103", "", "мина"},
        {"INT_GARAGE_TEXT104", "", "снаряд"},
        {"INT_GARAGE_TEXT105", "", "Радиус взрыва"},
        {"INT_GARAGE_TEXT106", "", "Боеприпас"},
        {"INT_GARAGE_TEXT107", "", "Скорость"},
        {"INT_GARAGE_TEXT108", "", "Средняя скорость"},
        {"INT_GARAGE_TEXT109", "", "На форсаже"},
        {"INT_GARAGE_TEXT110", "", "Грузоподъёмность"},
        {"INT_GARAGE_TEXT111", "", "Общий вес"},
        {"INT_GARAGE_TEXT112", "", "Трюм"},
        {"INT_GARAGE_TEXT113", "", "Груз"},
        {"INT_GARAGE_TEXT114", "", "Свободно"},
        {"INT_GARAGE_TEXT115", "", "Заряд, %"},
        {"INT_GARAGE_TEXT116", "", "Выход реактора"},
        {"INT_GARAGE_TEXT117", "", "Расход в покое"},
        {"INT_GARAGE_TEXT118", "", "Расход в пути"},
        {"INT_GARAGE_TEXT119", "", "Расход в бою"},
        {"INT_GARAGE_TEXT120", "", "Броня"},
        {"INT_GARAGE_TEXT121", "", "Щит"},
        // What the garage sells and fits.
        {"GUN_LASER", "Лазер", "Лёгкое орудие: луч без боезапаса."},
        {"GUN_BLASTER", "Бластер", "Орудие планера по умолчанию."},
        {"GUN_ROCKET_LAUNCHER", "Ракетомёт", "Тяжёлое орудие: ракеты из боезапаса."},
        {"ARMOR_SMALL", "Лёгкая броня", "Принимает часть урона на себя."},
        {"SHIELD_SMALL", "Малый щит", "Поглощает удары, пока хватает заряда."},
        {"ENGINE_SMALL", "Малый двигатель", "Тяга для лёгких планеров."},
        {"REACTOR_SMALL", "Малый реактор", "Питает оружие и двигатели."},
        {"MIS_ROCKET", "Ракеты", "Боезапас ракетомёта."},
        {"MIS_MINE", "Мины", "Боезапас минного аппарата."},
        {"MOD_GUN_RATE_1", "Ускоритель стрельбы", "Повышает скорострельность орудия."},
        {"MOD_SHIELD_1", "Усилитель щита", "Повышает ёмкость щита."},
        {"GL_SAMPLE", "Пробный планер", "Планер пилота."},
    };
    std::vector<SSampleMenuText> out;
    for (const auto& t : kTexts)
        out.push_back({t[0], plat::Utf8ToCp1251(t[1]), plat::Utf8ToCp1251(t[2])});
    return out;
}
