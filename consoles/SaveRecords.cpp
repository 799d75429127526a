#include "consoles/SaveRecords.h"

#include "app/SaveGameFile.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileArchive.h"
#include "foundation/GuidKey.h"
#include "foundation/MemStream.h"
#include "platform/Time.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace
{
CGuidKey Key(const char* name)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    return key;
}

// The record's bytes into out; false when absent or unreadable.
bool Fetch(IArchive& archive, const char* name, CMemStream& out)
{
    if (!archive.HasRecord(Key(name))) return false;
    out.Free();
    return archive.ReadRecord(Key(name), out);
}

std::string Name32(const char* field)
{
    return std::string(field, strnlen(field, 32));
}

// A record holding a u32 length and that many characters. Absent: false,
// quietly; damaged: false with a line.
bool ReadText(IArchive& archive, const char* file, const char* name, std::string& out)
{
    CMemStream stream;
    if (!archive.HasRecord(Key(name))) return false;
    if (!Fetch(archive, name, stream))
    {
        g_ErrorLog.LogError("CSaveLoadGC::FindSaveFiles: '%s': record %s could not be read", file, name);
        return false;
    }
    std::uint32_t length = 0;
    if (stream.m_nCapacity < 4 || (std::memcpy(&length, stream.m_pData, 4), length > stream.m_nCapacity - 4))
    {
        g_ErrorLog.LogError("CSaveLoadGC::FindSaveFiles: '%s': record %s holds %u bytes, too few for its text",
                            file, name, stream.m_nCapacity);
        return false;
    }
    // Up to a zero byte, as the text was a C string when it was written.
    const char* text = reinterpret_cast<const char*>(stream.m_pData + 4);
    out.assign(text, strnlen(text, length));
    return true;
}
} // namespace

bool ReadSaveSummary(IArchive& archive, const char* file, SSaveSummary& out)
{
    out = SSaveSummary{};
    CMemStream stream;
    if (!Fetch(archive, "HEADER", stream))
    {
        g_ErrorLog.LogError("CSaveLoadGC::FindSaveFiles: '%s' has no readable HEADER; it is not listed", file);
        return false;
    }
    SSaveHeader header;
    if (stream.m_nCapacity != sizeof header)
    {
        g_ErrorLog.LogError("CSaveLoadGC::FindSaveFiles: '%s': HEADER holds %u bytes, not %zu; it is not listed",
                            file, stream.m_nCapacity, sizeof header);
        return false;
    }
    std::memcpy(&header, stream.m_pData, sizeof header);
    if (std::memcmp(header.magic, SSaveHeader{}.magic, sizeof header.magic) != 0)
    {
        g_ErrorLog.LogError("CSaveLoadGC::FindSaveFiles: '%s' is not a saved game; it is not listed", file);
        return false;
    }
    out.outside = header.outside;
    out.building = Name32(header.building);
    out.location = Name32(header.location);
    ReadText(archive, file, "PLAYER", out.player);
    // An empty caption would be an empty row: it shows as a missing one.
    if (!ReadText(archive, file, "CAPTION", out.caption) || out.caption.empty()) out.caption = "---";
    return true;
}

bool ReadSaveScreen(IArchive& archive, const char* file, std::vector<std::uint8_t>& out)
{
    out.clear();
    CMemStream stream;
    if (!archive.HasRecord(Key("SCREEN"))) return false;
    if (!Fetch(archive, "SCREEN", stream) || stream.m_nCapacity != CSavedGames::kScreenBytes)
    {
        g_ErrorLog.LogError("CSaveLoadGC::OnChange: '%s': SCREEN is damaged (%u bytes); the frozen frame is shown",
                            file, stream.m_nCapacity);
        return false;
    }
    out.assign(stream.m_pData, stream.m_pData + CSavedGames::kScreenBytes);
    return true;
}

std::string FormatSaveLabel(int hour, int minute, int day, int month, int year)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s%d:%s%d | %s%d.%s%d.%d", hour <= 9 ? "0" : "", hour,
                  minute <= 9 ? "0" : "", minute, day <= 9 ? "0" : "", day, month <= 9 ? "0" : "", month, year);
    return text;
}

int SaveSortKey(std::uint64_t fileTimeUtc)
{
    std::uint16_t date = 0, time = 0;
    if (!plat::FileTimeToDosDateTime(fileTimeUtc, &date, &time)) return 0;
    return int(((std::uint32_t(date) << 16) + time) >> 1);
}

std::vector<int> SortSaveIndices(const std::vector<int>& keys)
{
    const int n = int(keys.size());
    std::vector<int> index(keys.size());
    for (int i = 0; i < n; ++i) index[i] = i;
    for (int gap = n / 2; gap > 0; gap /= 2)
        for (int i = gap; i < n; ++i)
            for (int j = i - gap; j >= 0 && keys[index[j + gap]] < keys[index[j]]; j -= gap)
                std::swap(index[j], index[j + gap]);
    return index;
}
