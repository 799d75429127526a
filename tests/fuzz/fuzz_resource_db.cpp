// Fuzz target of the resource database's INI mode: the input is the
// section file of one section "S"; it is listed through DefaultManager and
// every listed record's fields are typed and read.
#include "foundation/DefaultManager.h"
#include "foundation/ResourceDB.h"
#include "tests/fuzz/FuzzCommon.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("resource_db");
    (void)ready;
    // New names each run: the profile functions cache files by name and
    // modification time, which may not change between two quick writes.
    static unsigned run = 0;
    ++run;
    const std::string section = "sec" + std::to_string(run) + ".ini";
    const std::string main = "main" + std::to_string(run) + ".ini";
    const std::string mainText = "[S]\r\nfilename=" + section + "\r\n";
    if (!fuzz::WriteFile(section, data, size) ||
        !fuzz::WriteFile(main, reinterpret_cast<const std::uint8_t*>(mainText.data()), mainText.size()))
        return 0;
    g_ResourceDB.Init(main.c_str(), ResourceDBManager::kModeIni);
    DefaultManager manager;
    manager.Init("S");
    for (std::int32_t i = 0; i < manager.GetCount() && i < 64; ++i)
    {
        float vector[3];
        manager.GetVectorField(vector, i, "Pos");
        manager.GetHexField(i, "Colour");
        char text[8];
        g_ResourceDB.GetStringField(manager.GetName(i), "Filename", text, sizeof(text));
        g_ResourceDB.GetFloatField(manager.GetName(i), "Radius", 0.0f);
    }
    g_ResourceDB.SelectSection("S", true);
    for (int more = g_ResourceDB.First(); more; more = g_ResourceDB.Next())
        g_ResourceDB.GetFloorList();
    g_ResourceDB.BuildSectionList();
    std::remove(section.c_str());
    std::remove(main.c_str());
    return 0;
}
