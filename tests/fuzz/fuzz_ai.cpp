// Fuzz target of the per-mechanoid AI's record: any bytes as a saved AI. A
// record that loads saves to 110 bytes that load to the same AI. Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer: fuzz_ai_seeds DIR
// writes records saved by the AI itself, plus damaged variants of each.
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "society/BasicAI.h"
#include "world/Mech.h"
#include "world/World.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace
{
// The world the records' target ids are looked up in.
CWorld& World()
{
    static CWorld* world = []
    {
        auto* w = new CWorld;
        w->AddMech("ENEMY");
        w->AddMech("OWN");
        g_pWorld = w;
        return w;
    }();
    return *world;
}
} // namespace

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("ai");
    (void)ready;
    (void)World();
    CMemStream stream;
    std::uint8_t* bytes = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size) std::memcpy(bytes, data, size);
    CBasicAI ai;
    try
    {
        ai.LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        return 0;
    }
    CMemStream saved;
    ai.SaveToStream(saved);
    if (saved.m_nPosition != CBasicAI::kStreamSize) std::abort();
    saved.m_nPosition = 0;
    CBasicAI again;
    again.LoadFromStream(saved);
    if (again.m_nMode != ai.m_nMode || again.m_pTarget != ai.m_pTarget || again.m_nTicks != ai.m_nTicks)
        std::abort();
    return 0;
}

#else

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_ai_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    CWorld& world = World();
    for (int seed = 0; seed < 2; ++seed)
    {
        CBasicAI ai;
        ai.SetMech(world.FindMech("OWN"));
        ai.m_nMode = seed ? CBasicAI::MODE_ATTACK : CBasicAI::MODE_MOVE;
        ai.m_pTarget = seed ? world.FindMech("ENEMY") : nullptr;
        ai.m_vDestination = CVector{1000.0f, 2000.0f, 30.0f};
        ai.m_fAttackDistance = 60.0f;
        CMemStream s;
        ai.SaveToStream(s);
        const std::vector<std::uint8_t> record(s.m_pData, s.m_pData + s.m_nPosition);
        const std::string name = seed ? "attack" : "move";
        write(name + ".seed", record);
        write(name + ".cut", std::vector<std::uint8_t>(record.begin(), record.begin() + 50));
        std::mt19937 random(unsigned(seed) + 7u);
        for (int variant = 0; variant < 6; ++variant)
        {
            std::vector<std::uint8_t> damaged = record;
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
            write(name + ".flip" + std::to_string(variant), damaged);
        }
    }
    return 0;
}

#endif
