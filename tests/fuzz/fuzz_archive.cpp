// Fuzz target of the keyed record archive: any bytes as an archive file;
// every listed record is read whole and byte by byte past its end.
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "tests/fuzz/FuzzCommon.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = []
    {
        fuzz::SetUp("archive");
        SetFileManager(new StdFileManager());
        return true;
    }();
    (void)ready;
    if (!fuzz::WriteFile("input.sav", data, size)) return 0;
    FileArchive archive;
    if (!archive.Open("input.sav")) return 0;
    CMemStream out;
    for (std::uint32_t i = 0; i < archive.GetRecordCount() && i < 64; ++i)
    {
        const CGuidKey key = archive.GetEntry(i).key;
        archive.ReadRecord(key, out);
        if (archive.BeginRecord(key))
        {
            std::uint8_t bytes[64];
            archive.ReadBytes(bytes, sizeof(bytes));
            archive.ReadBytes(bytes, sizeof(bytes));
        }
        archive.EndRecord();
    }
    archive.Close();
    return 0;
}
