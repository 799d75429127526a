// Fuzz target of the force-feedback effect file reader: any bytes as an
// effect file; what it reads is written back and must read the same.
#include "platform/dinput/EffectFile.h"
#include "tests/fuzz/FuzzCommon.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("effects");
    (void)ready;
    std::vector<plat::FileEffect> effects;
    std::string error;
    if (!plat::ParseEffectFile(data, size, &effects, &error)) return 0;
    const std::vector<std::uint8_t> bytes = plat::WriteEffectFile(effects);
    std::vector<plat::FileEffect> again;
    if (!plat::ParseEffectFile(bytes.data(), bytes.size(), &again, &error) || again.size() != effects.size())
        __builtin_trap(); // the writer wrote what the reader refuses
    return 0;
}
