// Fuzz target of the mission state reader: any bytes as the mission script
// manager's stream. A stream that loads runs the due timer (its script is
// not there) and is written again, and must read back.
#include "foundation/MemStream.h"
#include "script/MMScriptManager.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("mission");
    (void)ready;
    const std::string base = fuzz::Directory().string() + "\\";
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size)
        std::memcpy(buffer, data, size);
    CMMScriptManager manager;
    manager.SetBaseDirectory(base.c_str());
    if (!manager.LoadFromStream(stream))
        return 0;
    manager.OnTimer();
    for (const SMissionTimer& timer : std::vector<SMissionTimer>(manager.Timers()))
        manager.StopTimer(timer.name);
    manager.SetEvent("FUZZ.COMPLETE");
    CMemStream saved;
    manager.SaveToStream(saved);
    saved.m_nCapacity = saved.m_nPosition;
    saved.m_nPosition = 0;
    CMMScriptManager again;
    if (!again.LoadFromStream(saved))
        std::abort(); // what the manager writes it must read
    return 0;
}
