// The sample resource database, written with the engine's own database.

#include "tools/mksample/SampleDatabase.h"

#include "foundation/DataBase.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <cstdio>
#include <initializer_list>
#include <string>

namespace
{
struct SColumn
{
    const char* name;
    std::uint32_t type;
};

constexpr std::uint32_t kText = DataBase::kString;
constexpr std::uint32_t kInt = DataBase::kInteger;
constexpr std::uint32_t kFloat = DataBase::kFloat;

// Absolute, so that the database does not put the working directory in front.
std::string InRoot(const std::string& root, const char* path)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + path;
}

bool DefineSection(DataBase& db, const char* utf8Name, std::initializer_list<SColumn> columns)
{
    const std::string name = plat::Utf8ToCp1251(utf8Name);
    if (!db.SelectTable(name.c_str())) return false;
    for (const SColumn& column : columns)
    {
        if (db.AddFloor(name.c_str(), column.name, column.type) == 0) return false;
    }
    return true;
}
} // namespace

bool WriteSampleDatabase(const std::string& root)
{
    const std::string path = InRoot(root, "Data\\DB.dat");
    DataBase db;
    if (!db.OpenDatabase(path.c_str(), true, false))
    {
        std::fprintf(stderr, "mksample: cannot create %s\n", path.c_str());
        return false;
    }
    // The land types' ten detail objects: columns MODEL0..MODEL9, likewise
    // FREQ, SCALE, TYPE.
    std::initializer_list<SColumn> landTypes = {
        {"Name", kText},        {"GID", kInt},          {"Vertical", kInt},       {"Texture", kText},
        {"TextureFull", kText}, {"Animated", kInt},     {"Regular", kInt},        {"Height", kFloat},
        {"Width", kFloat},      {"SAMPLES", kInt},      {"TextureDetail", kText}, {"SPECDETAIL", kInt},
        {"DIFFBUMP", kInt},     {"TextureBump", kText}, {"IDHORIZONT", kText},    {"SELFILLUM", kInt},
        {"SI_PERIOD", kFloat},  {"SI_FORCE", kFloat},
    };
    const bool ok =
        DefineSection(
            db, "Текстуры",
            {{"Filename", kText}, {"Type", kInt}, {"Color", kInt}, {"LOD", kInt}, {"TEXTURETYPE", kInt}}) &&
        DefineSection(db, "Модели", {{"Filename", kText}, {"Radius", kFloat}}) &&
        DefineSection(db, "Изображения",
                      {{"Filename", kText},
                       {"WIDTH", kInt},
                       {"HEIGHT", kInt},
                       {"NOFILTER", kInt},
                       {"NOFILTERALPHA", kInt}}) &&
        DefineSection(db, "Поверхности", landTypes) &&
        DefineSection(db, "Звуки",
                      {{"NAME", kText},
                       {"CATEGORY", kText},
                       {"VOLUME", kFloat},
                       {"FILENAME", kText},
                       {"3DSOUND", kInt},
                       {"MINDIST", kFloat}}) &&
        DefineSection(db, "Музыка", {{"Filename", kText}, {"TYPE", kInt}});
    bool details = ok;
    const std::string landTable = plat::Utf8ToCp1251("Поверхности");
    for (int k = 0; details && k < 10; ++k)
    {
        const char digit = static_cast<char>('0' + k);
        for (const char* column : {"MODEL", "FREQ", "SCALE", "TYPE"})
        {
            const std::string name = std::string(column) + digit;
            const std::uint32_t type = column[0] == 'M' ? kText : column[0] == 'T' ? kInt : kFloat;
            details = details && db.AddFloor(landTable.c_str(), name.c_str(), type) != 0;
        }
    }
    if (!ok || !details || !db.CloseDatabase())
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
