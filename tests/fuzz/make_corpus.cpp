// fuzz_corpus: writes the seed corpora of the fuzz targets with the
// engine's own writers, plus damaged variants of each seed (cut short and
// with bytes changed), so that a run over the corpus already walks the
// readers' error paths.
//
//     fuzz_corpus DIR     writes DIR/pack, DIR/archive, DIR/database, DIR/resource_db
#include "foundation/DataBase.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/PakBuilder.h"
#include "platform/File.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The seed and its damaged variants.
void WriteSeed(const fs::path& dir, const std::string& name, const Bytes& seed)
{
    WriteAll(dir / (name + ".seed"), seed);
    std::mt19937 random(static_cast<unsigned>(seed.size()) * 2654435761u);
    for (std::size_t cut : {seed.size() / 2, seed.size() > 0 ? seed.size() - 1 : 0, std::size_t{13}})
    {
        if (cut < seed.size())
            WriteAll(dir / (name + ".cut" + std::to_string(cut)), Bytes(seed.begin(), seed.begin() + cut));
    }
    for (int variant = 0; variant < 6 && !seed.empty(); ++variant)
    {
        Bytes damaged = seed;
        for (int k = 0; k <= variant; ++k)
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        WriteAll(dir / (name + ".flip" + std::to_string(variant)), damaged);
    }
}

bool Packs(const fs::path& dir, const fs::path& work)
{
    std::mt19937 random(1);
    Bytes noise(300);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "a line of text, number " + std::to_string(i % 4) + "\n";
    struct SPack
    {
        const char* name;
        std::uint32_t blockSize;
        std::uint32_t mask;
        std::vector<std::pair<std::string, Bytes>> files;
    };
    const SPack packs[] = {
        {"mixed",
         64,
         0x05,
         {{"a.bin", noise}, {"Data\\zeros", Bytes(200, 0)}, {"empty", {}}, {"t.txt", Text(text)}}},
        {"lzo", 128, 0x01, {{"Text\\One.txt", Text(text)}, {"two", Bytes(130, 7)}}},
        {"rle", 32, 0x04, {{"r", Bytes(100, 1)}}},
        {"none", 64, 0x05, {}},
    };
    for (const SPack& pack : packs)
    {
        std::vector<std::string> sources;
        std::vector<const char*> names;
        std::vector<const char*> paths;
        for (std::size_t i = 0; i < pack.files.size(); ++i)
        {
            sources.push_back((work / (std::string(pack.name) + std::to_string(i))).string());
            WriteAll(sources.back(), pack.files[i].second);
        }
        for (std::size_t i = 0; i < pack.files.size(); ++i)
        {
            names.push_back(pack.files[i].first.c_str());
            paths.push_back(sources[i].c_str());
        }
        const fs::path out = work / (std::string(pack.name) + ".pak");
        CPackBuilder builder;
        if (!builder.Build(out.c_str(), names.data(), paths.data(), static_cast<std::uint32_t>(names.size()),
                           pack.blockSize, pack.mask, 0.0f, nullptr, nullptr))
            return false;
        WriteSeed(dir, pack.name, ReadAll(out));
    }
    return true;
}

bool Archives(const fs::path& dir, const fs::path& work)
{
    SetFileManager(new StdFileManager());
    const fs::path path = work / "game.sav";
    FileArchive archive;
    CGuidKey key;
    if (!archive.Create(path.c_str())) return false;
    CMemStream data;
    data.Write("header bytes", 12);
    archive.WriteRecord(*MakeGuidKey(&key, "HEADER"), data);
    archive.WriteRecord(*MakeGuidKey(&key, "EMPTY"), CMemStream());
    key.id = 3;
    archive.BeginRecord(key);
    archive.WriteBytes("player", 6);
    archive.EndRecord();
    archive.WriteRecord(*MakeGuidKey(&key, "HEADER"), data);
    archive.Close();
    WriteSeed(dir, "game", ReadAll(path));
    if (!archive.Create(path.c_str())) return false;
    archive.Close();
    WriteSeed(dir, "header", ReadAll(path));
    SetFileManager(nullptr);
    return true;
}

bool Databases(const fs::path& dir, const fs::path& work)
{
    const fs::path path = work / "DB.dat";
    {
        DataBase db;
        db.m_fnRandom = [] { return 1; };
        if (!db.OpenDatabase(path.c_str(), true, false) || !db.SelectTable("Items")) return false;
        db.Append("Sword");
        db.SetField("Price", 120);
        db.SetField("Weight", 2.5f);
        db.SetField("Name", "sword");
        db.SetField("Caption", L"Sword");
        db.Post();
        db.Append("Axe");
        db.SetField("DELETED", 1);
        db.Post();
        db.SelectTable("Other");
        db.Append("Thing");
        db.SetField("Name", "thing");
        db.Post();
    }
    const Bytes table = ReadAll(work / "DB.tab");
    const Bytes index = ReadAll(work / "DB.ind");
    const Bytes records = ReadAll(path);
    Bytes input(8);
    const std::uint32_t lengths[2] = {static_cast<std::uint32_t>(table.size()),
                                      static_cast<std::uint32_t>(index.size())};
    std::memcpy(input.data(), lengths, 8);
    input.insert(input.end(), table.begin(), table.end());
    input.insert(input.end(), index.begin(), index.end());
    input.insert(input.end(), records.begin(), records.end());
    WriteSeed(dir, "items", input);
    return true;
}

void IniFiles(const fs::path& dir)
{
    WriteSeed(dir, "records",
              Text("[TEX_A]\r\nFilename=a.tm\r\nRadius=1.5\r\nPos=1,2,3\r\nColour=ff00ff\r\n"
                   "[TEX_B]\r\nDeleted=1\r\n[TEX_C]\r\nDeleted=0\r\nShift=-3\r\nBig=1e5\r\n"));
    WriteSeed(dir, "odd", Text("; comment\n[ A ]\n key = \"quoted\" \nno equals line\n[B]\n=\n[C\nx=1\n"));
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_corpus DIR\n");
        return 2;
    }
    const fs::path root = fs::absolute(argv[1]);
    const fs::path work = root / "work";
    fs::remove_all(root);
    for (const char* reader : {"pack", "archive", "database", "resource_db"})
        fs::create_directories(root / reader);
    fs::create_directories(work);
    g_ErrorLog.SetDirectory(work.c_str());
    const bool ok =
        Packs(root / "pack", work) && Archives(root / "archive", work) && Databases(root / "database", work);
    IniFiles(root / "resource_db");
    fs::remove_all(work);
    if (!ok)
    {
        std::fprintf(stderr, "fuzz_corpus: a writer failed\n");
        return 1;
    }
    std::printf("fuzz_corpus: seeds written to %s\n", root.c_str());
    return 0;
}
