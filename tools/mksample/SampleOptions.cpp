// The options and mods dialogs' sample data: the factory settings
// "Data\CONFIG\default.ini" that the options' defaults button reads (every
// key of the options' pages and the key bindings), two mod descriptions in
// "Data\MODS\", and the options' texts in the text database.
#include "foundation/DataBase.h"
#include "platform/CodePage.h"
#include "platform/Ini.h"

#include <cstdio>
#include <string>

bool WriteSampleOptions(const std::string& root)
{
    const std::string defaults = root + "\\Data\\CONFIG\\default.ini";
    static const char* const kDefaults[][3] = {
        {"CONFIG", "ScreenWidth", "1024"},     {"CONFIG", "ScreenHeight", "768"},
        {"CONFIG", "TextureQuality", "2"},     {"CONFIG", "ModelQuality", "2"},
        {"CONFIG", "VisibleRadius", "256"},    {"CONFIG", "Filtering", "1"},
        {"CONFIG", "Anisotropy", "1"},         {"CONFIG", "Fullreflection", "0"},
        {"CONFIG", "MusicVolume", "70"},       {"CONFIG", "SoundVolume", "80"},
        {"CONFIG", "PlayerFade", "0"},         {"CONFIG", "MaxSoundSources", "8"},
        {"CONFIG", "HardwareSounds", "0"},     {"CONFIG", "Difficulty", "1"},
        {"INPUT", "FORWARD", "W"},             {"INPUT", "FORWARD2", "UP"},
        {"INPUT", "BACKWARD", "S"},            {"INPUT", "BACKWARD2", "DOWN"},
        {"INPUT", "RIGHT", "RIGHT"},           {"INPUT", "LEFT", "LEFT"},
        {"INPUT", "STRAFERIGHT", "D"},         {"INPUT", "STRAFELEFT", "A"},
        {"INPUT", "FIRE", "LCTRL"},            {"INPUT", "FIRE2", "MOUSE1"},
        {"INPUT", "FIRE3", "JOY1"},            {"INPUT", "JUMP", "SPACE"},
        {"INPUT", "CRUISE", "GRAVE"},          {"INPUT", "MouseSensitivity", "5"},
        {"INPUT", "InverseMouse", "0"},        {"INPUT", "ForceFeedBack", "1"},
        {"INPUT", "Joystick", "0"},            {"INPUT", "SensitivityJoystick", "5"},
        {"INPUT", "MouseAutoRotate", "0"},     {"INPUT", "AutoFire", "0"},
        {"INPUT", "CenterFire", "0"},
    };
    for (const auto& e : kDefaults)
        if (!plat::WritePrivateProfileString(e[0], e[1], e[2], defaults.c_str()))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", defaults.c_str());
            return false;
        }

    // Two mods: the sample's own game under another name, and one whose
    // description uses the markup and whose own start script begins the
    // game in the north (SampleStartup.cpp).
    const char* const kMods[][4] = {
        {"sample.ini", "Пример", "Игра примера с её собственным сценарием.", "TARVOXII.src"},
        {"storm.ini", "Буря", "<b>Буря</b> над долиной:<br>та же игра, другое начало.", "STORM.src"},
    };
    for (const auto& m : kMods)
    {
        const std::string file = root + "\\Data\\MODS\\" + m[0];
        if (!plat::WritePrivateProfileString("COMMON", "Name", plat::Utf8ToCp1251(m[1]).c_str(), file.c_str()) ||
            !plat::WritePrivateProfileString("COMMON", "Text", plat::Utf8ToCp1251(m[2]).c_str(), file.c_str()) ||
            !plat::WritePrivateProfileString("COMMON", "Autorun", m[3], file.c_str()))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", file.c_str());
            return false;
        }
    }

    // key, name, text (UTF-8 here, code page 1251 in the database).
    const char* const texts[][3] = {
        {"INT_OPTIONS_TEXT_RESOLUTION", "Разрешение", ""},
        {"INT_OPTIONS_TEXT_VISIBILITY", "Дальность", ""},
        {"INT_OPTIONS_TEXT_QUALITY_TEX", "Текстуры", ""},
        {"INT_OPTIONS_TEXT_QUALITY_MOD", "Модели", ""},
        {"INT_OPTIONS_TEXT_LOW", "Низкое", ""},
        {"INT_OPTIONS_TEXT_MEDIUM", "Среднее", ""},
        {"INT_OPTIONS_TEXT_HIGHT", "Высокое", ""},
        {"INT_OPTIONS_TEXT_FILTERTYPE", "Фильтр", ""},
        {"INT_OPTIONS_TEXT_FILTERVALUE", "Анизотропия", ""},
        {"INT_OPTIONS_TEXT_BILINEAR", "Билинейный", ""},
        {"INT_OPTIONS_TEXT_TRILINEAR", "Трилинейный", ""},
        {"INT_OPTIONS_TEXT_ANISOTROP", "Анизотропный", ""},
        {"INT_OPTIONS_TEXT_REFLECTION", "Отражения", ""},
        {"INT_OPTIONS_TEXT_VOL_SOUND", "Звуки", ""},
        {"INT_OPTIONS_TEXT_VOL_MUSIC", "Музыка", ""},
        {"INT_OPTIONS_TEXT_PLAYER_FADE", "Свой глайдер", ""},
        {"INT_OPTIONS_TEXT_HARDWARESND", "Аппаратный звук", ""},
        {"INT_OPTIONS_TEXT_MAX_SND_SRC", "Источники", ""},
        {"INT_OPTIONS_TEXT_JOYSTICK", "Джойстик", ""},
        {"INT_OPTIONS_TEXT_SENSJOY", "Чувствительность", ""},
        {"INT_OPTIONS_TEXT_FEEDBACK", "Отдача", ""},
        {"INT_OPTIONS_TEXT_INV_MOUSE", "Инверсия мыши", ""},
        {"INT_OPTIONS_TEXT_SENSITIVITY", "Мышь", ""},
        {"INT_OPTIONS_TEXT_AUTOROTATE", "Автоповорот", ""},
        {"INT_OPTIONS_TEXT_GAMEDIFFIC", "Сложность", ""},
        {"INT_OPTIONS_TEXT_EASY", "Легко", ""},
        {"INT_OPTIONS_TEXT_NORMAL", "Нормально", ""},
        {"INT_OPTIONS_TEXT_HARD", "Трудно", ""},
        {"INT_OPTIONS_TEXT_AUTOPRICEL", "Автоприцел", ""},
        {"INT_OPTIONS_TEXT_CENTERFIRE", "Огонь по центру", ""},
        {"INT_OPTIONS_KEY_01", "Вперёд", ""},
        {"INT_OPTIONS_KEY_02", "Назад", ""},
        {"INT_OPTIONS_KEY_03", "Вправо", ""},
        {"INT_OPTIONS_KEY_04", "Влево", ""},
        {"INT_OPTIONS_KEY_05", "Сдвиг вправо", ""},
        {"INT_OPTIONS_KEY_06", "Сдвиг влево", ""},
        {"INT_OPTIONS_KEY_07", "Огонь", ""},
        {"INT_OPTIONS_KEY_08", "Второе оружие", ""},
        {"INT_OPTIONS_KEY_09", "Ракета", ""},
        {"INT_OPTIONS_KEY_10", "Бомба", ""},
        {"INT_OPTIONS_KEY_11", "Мина", ""},
        {"INT_OPTIONS_KEY_12", "Прыжок", ""},
        {"INT_OPTIONS_KEY_13", "Тормоз", ""},
        {"INT_OPTIONS_KEY_14", "Фары", ""},
        {"INT_OPTIONS_KEY_15", "Трюм", ""},
        {"INT_OPTIONS_KEY_16", "Карта", ""},
        {"INT_OPTIONS_KEY_17", "Журнал", ""},
        {"INT_OPTIONS_KEY_18", "Ускоритель", ""},
        {"INT_OPTIONS_KEY_20", "Щит", ""},
        {"INT_OPTIONS_KEY_21", "Стазис", ""},
        {"INT_OPTIONS_KEY_22", "Невидимость", ""},
        {"INT_OPTIONS_KEY_24", "Бег", ""},
        {"INT_OPTIONS_KEY_25", "Всегда бегом", ""},
        {"INT_OPTIONS_KEY_26", "Выбор цели", ""},
        {"INT_OPTIONS_KEY_27", "Смена снарядов", ""},
        {"INT_OPTIONS_KEY_28", "Круиз", ""},
        {"INT_OPTIONS_KEY_29", "Толкатель", ""},
    };
    DataBase quest;
    const std::string textPath = root + "\\SCRIPT\\Quest.dat";
    bool ok = quest.OpenDatabase(textPath.c_str(), false, false) && quest.SelectTable("INFORMATION");
    for (const auto& t : texts)
        ok = ok && quest.Append(t[0]) && quest.SetField("TEXT", plat::Utf8ToCp1251(t[2]).c_str()) &&
             quest.SetField("NAME", plat::Utf8ToCp1251(t[1]).c_str()) &&
             quest.SetField("DELETED", std::int32_t(0)) && quest.Post();
    if (!quest.CloseDatabase() || !ok)
    {
        std::fprintf(stderr, "mksample: cannot add the options' texts to %s\n", textPath.c_str());
        return false;
    }
    return true;
}
