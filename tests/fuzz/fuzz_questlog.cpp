// Fuzz target of the quest log's reader: any bytes as a "QUESTLOG" chunk.
// A chunk that loads is searched and written again, and must read back.
#include "foundation/MemStream.h"
#include "script/game/QuestLog.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("questlog");
    (void)ready;
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size)
        std::memcpy(buffer, data, size);
    CQuestLog log;
    if (!log.LoadFromStream(stream))
        return 0;
    const auto& quests = log.GetQuests();
    for (std::uint32_t i = 0; i < quests.count; ++i)
    {
        log.FindQuest(quests[i].id);
        log.Contains(quests[i].titleKey);
        std::vector<std::string> parts;
        log.GetParts(quests[i].id, parts);
    }
    log.AddQuest("FUZZ", "FUZZ_TITLE", 1, "");
    CMemStream saved;
    log.SaveToStream(saved);
    saved.m_nCapacity = saved.m_nPosition;
    saved.m_nPosition = 0;
    CQuestLog again;
    if (!again.LoadFromStream(saved))
        std::abort(); // what the log writes it must read
    return 0;
}
