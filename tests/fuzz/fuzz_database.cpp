// Fuzz target of the database files: the input holds a table file, an index
// file and a data file (FuzzCommon.h); every record of every table is made
// current and every field of its table read.
#include "foundation/DataBase.h"
#include "tests/fuzz/FuzzCommon.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("database");
    (void)ready;
    fuzz::SDatabaseInput input;
    if (!fuzz::SplitDatabaseInput(data, size, input) ||
        !fuzz::WriteFile("DB.tab", input.table, input.tableSize) ||
        !fuzz::WriteFile("DB.ind", input.index, input.indexSize) ||
        !fuzz::WriteFile("DB.dat", input.data, input.dataSize))
        return 0;
    DataBase db;
    db.m_fnSleep = [](std::uint32_t) {};
    db.m_fnRandom = [] { return 1; };
    if (!db.OpenDatabase("DB.dat", false, false)) return 0;
    const std::vector<SDbTable> tables = db.GetTables();
    const std::vector<SDbField> fields = db.GetFields();
    const std::vector<SDbIndexEntry> index = db.GetIndex();
    for (std::size_t r = 0; r < index.size() && r < 256; ++r)
    {
        for (const SDbTable& table : tables)
        {
            if (table.id != index[r].tableId) continue;
            db.SelectTable(table.name);
            db.Get(index[r].name);
            for (const SDbField& field : fields)
            {
                if (field.tableId != table.id) continue;
                char text[16];
                wchar_t wide[16];
                db.GetIntegerField(field.name);
                db.GetFloatField(field.name);
                db.GetStringField(field.name, text, sizeof(text));
                if (field.type == DataBase::kWideString) db.GetWCharField(field.name, wide, 16);
            }
            break;
        }
    }
    db.CloseDatabase();
    return 0;
}
