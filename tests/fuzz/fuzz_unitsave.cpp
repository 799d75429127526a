// Fuzz target of the saved-game records of the units that keep one of their
// own: the glider (36 bytes), the building (visitor names), the tower (its
// active byte) and the gatherer (version 2, reading 1). The first byte picks
// the record, the rest is read as it. A record that loads saves again, and
// that saved form reads back to the same bytes. Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_unitsave_seeds DIR writes records saved by the objects themselves,
// plus cut and damaged variants of each.
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "units/BuildingObject.h"
#include "units/GathererObject.h"
#include "units/GliderObject.h"
#include "units/TowerObject.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

namespace
{
enum ERecord : std::uint8_t
{
    kGlider,
    kBuilding,
    kTower,
    kGatherer,
    kRecords
};

std::unique_ptr<CMMObject> Make(std::uint8_t record)
{
    switch (record % kRecords)
    {
    case kGlider: return std::make_unique<CGliderObject>();
    case kBuilding: return std::make_unique<CBuildingObject>();
    case kTower: return std::make_unique<CTowerObject>();
    default: return std::make_unique<CGathererObject>();
    }
}

// The glider's record goes through its object stream, the others through
// the saved game's.
void Save(std::uint8_t record, CMMObject& object, CMemStream& stream)
{
    if (record % kRecords == kGlider)
    {
        int size = 0;
        object.SaveToStream(stream, &size, false);
    }
    else
        object.SaveGame(stream);
}

std::vector<std::uint8_t> Bytes(const CMemStream& stream)
{
    return std::vector<std::uint8_t>(stream.m_pData, stream.m_pData + stream.m_nPosition);
}
} // namespace

#ifndef TVX_FUZZ_WRITE_SEEDS

namespace
{
void Load(std::uint8_t record, CMMObject& object, CMemStream& stream)
{
    if (record % kRecords == kGlider)
    {
        int size = 0;
        object.LoadFromStream(stream, &size, false);
    }
    else
        object.LoadGame(stream);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("unitsave");
    (void)ready;
    if (size < 1) return 0;
    const std::uint8_t record = data[0];
    CMemStream stream;
    std::uint8_t* bytes = stream.Allocate(static_cast<std::uint32_t>(size - 1));
    if (size > 1) std::memcpy(bytes, data + 1, size - 1);
    auto object = Make(record);
    try
    {
        Load(record, *object, stream);
    }
    catch (const std::runtime_error&)
    {
        // CStreamError and CObjectStreamError: a refused record.
        return 0;
    }
    CMemStream saved;
    Save(record, *object, saved);
    const std::vector<std::uint8_t> first = Bytes(saved);
    saved.m_nPosition = 0;
    auto again = Make(record);
    Load(record, *again, saved);
    CMemStream resaved;
    Save(record, *again, resaved);
    if (Bytes(resaved) != first) std::abort();
    return 0;
}

#else

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_unitsave_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto write = [&](const std::string& name, std::uint8_t record, const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream out(dir / name, std::ios::binary);
        out.put(static_cast<char>(record));
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    const char* names[kRecords] = {"glider", "building", "tower", "gatherer"};
    for (std::uint8_t record = 0; record < kRecords; ++record)
    {
        auto object = Make(record);
        object->SetPosition(CVector{120.0f, 340.0f, 25.0f});
        if (auto* glider = dynamic_cast<CGliderObject*>(object.get()))
        {
            glider->m_dwBrokenParts = 1u << 3;
            glider->m_PartDamage[3] = 42.0f;
        }
        if (auto* gatherer = dynamic_cast<CGathererObject*>(object.get())) gatherer->m_fHealth = 900.0f;
        CMemStream s;
        Save(record, *object, s);
        const std::vector<std::uint8_t> saved = Bytes(s);
        const std::string name = names[record];
        write(name + ".seed", record, saved);
        write(name + ".cut", record, std::vector<std::uint8_t>(saved.begin(), saved.begin() + saved.size() / 2));
        std::mt19937 random(record + 11u);
        for (int variant = 0; variant < 6; ++variant)
        {
            std::vector<std::uint8_t> damaged = saved;
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
            write(name + ".flip" + std::to_string(variant), record, damaged);
        }
    }
    return 0;
}

#endif
