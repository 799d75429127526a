// The texts of the trade and quest consoles in "SCRIPT\Quest.dat": the
// names and descriptions of the sample hall's goods (its "Товар" picture
// shows them), the consoles' interface texts and the quest the hall's
// script offers on its quest console (SampleScripts.cpp).
#include "foundation/DataBase.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <cstdio>
#include <string>

namespace
{
struct SText
{
    const char* key;
    const char* name; // UTF-8 here, code page 1251 in the file
    const char* text;
};

const SText kTradeTexts[] = {
    // The hall's goods.
    {"TOV_FOOD", "Продовольствие", "Консервы и концентраты для экипажей. Зал продаёт их дёшево."},
    {"TOV_ORE", "Руда", "Необогащённая руда с окрестных карьеров. Зал скупает её."},
    // The trade console.
    {"INT_TRADE_TEXT_01", "", "за штуку"},
    {"INT_TRADE_TEXT_02", "", "вес"},
    {"INT_TRADE_TEXT_03", "", "Куплено по: "},
    {"INT_TRADE_TEXT_04", "", "Продать за: "},
    {"INT_TRADE_TEXT_05", "", "Товар: "},
    {"INT_TRADE_TEXT_06", "", "Базовая цена: "},
    {"INT_TRADE_TEXT_07", "", "Здание купит за: "},
    {"INT_TRADE_TEXT_08", "", "Здание продаст за: "},
    {"INT_TRADE_TEXT_09", "", "Наценка: "},
    {"INT_TRADE_TEXT_10", "", "Здание этот товар не продаёт"},
    {"INT_TRADE_TEXT_11", "", "%d шт. за %d"},
    {"INT_TRADE_TEXT_12", "", "Покупка"},
    {"INT_TRADE_TEXT_13", "", "Продажа"},
    {"INT_TRADE_TOOLTIP_01", "", "Здание покупает"},
    {"INT_TRADE_TOOLTIP_02", "", "Здание продаёт"},
    // The quest console.
    {"INT_QUEST_CAPTION_01", "", "Задания"},
    {"INT_QUEST_CAPTION_02", "", "Планер сильно повреждён: срочно в ремонт"},
    {"INT_QUEST_CAPTION_03", "", "Планеру нужен ремонт"},
    {"INT_QUEST_CAPTION_04", "", "Планер исправен"},
    {"INT_QUEST_CAPTION_05", "", "Торговля истощена"},
    {"INT_QUEST_CAPTION_06", "", "Торговля: "},
    {"INT_QUEST_CAPTION_07", "", "Здесь не торгуют"},
    {"INT_QUEST_CAPTION_08", "", "Награда за головы: %.0f"},
    {"INT_QUEST_CAPTION_09", "", "Добыча: "},
    {"INT_QUEST_CAPTION_10", "", "Добыча истощена"},
    {"INT_QUEST_CAPTION_11", "", "Производство: "},
    {"INT_QUEST_CAPTION_12", "", "Производство остановлено"},
    // The hall's quest, offered on its quest console, and its briefing.
    {"Q_SAMPLE_HALL_OFFER", "Заказ зала", "Зал ищет поставщика руды."},
    {"Q_SAMPLE_HALL_BRIEF", "Заказ зала", "Привезите в зал руду: она в цене."},
};
} // namespace

// Called after the menus' texts are written (the file exists by then).
bool WriteSampleTrade(const std::string& root)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    const std::string path = base + "\\SCRIPT\\Quest.dat";
    DataBase texts;
    bool ok = texts.OpenDatabase(path.c_str(), false, false) && texts.SelectTable("INFORMATION");
    for (const SText& t : kTradeTexts)
        ok = ok && texts.Append(t.key) && texts.SetField("TEXT", plat::Utf8ToCp1251(t.text).c_str()) &&
             texts.SetField("NAME", plat::Utf8ToCp1251(t.name).c_str()) &&
             texts.SetField("DELETED", std::int32_t(0)) && texts.Post();
    if (!texts.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the trade and quest consoles' texts to %s\n", path.c_str());
        return false;
    }
    return true;
}
