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
    return {
        // The save/load panel: its three info labels and the delete question.
        {"INT_SAVE_LABEL1", "", Cp("Локация")},
        {"INT_SAVE_LABEL2", "", Cp("Здание")},
        {"INT_SAVE_LABEL3", "", Cp("Пилот")},
        {"INT_SAVE_DELETE", Cp("Удаление"), Cp("Удалить это сохранение?")},
        // The sample location's display name, shown in the save list.
        {"sample", Cp("Пустошь"), Cp("Равнина у северной дороги.")},
    };
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
