// fuzz_corpus: writes the seed corpora of the fuzz targets with the
// engine's own writers, plus damaged variants of each seed (cut short and
// with bytes changed), so that a run over the corpus already walks the
// readers' error paths.
//
//     fuzz_corpus DIR     writes DIR/<reader> for every fuzz target
//
// The graphics, sound and input files are the kinds mksample writes, made
// with the same writers: CModel::Save, CComplexObject::Save,
// CParticleViewer::Save, CMesh::SaveToFile and SaveObj, WriteImageFile,
// CFont::SaveFiles (its ".fdf" and its ".dds" page), WriteWaveFile,
// EncodeOggVorbis and plat::WriteEffectFile.
#include "foundation/DataBase.h"
#include "foundation/ErrorLog.h"
#include "foundation/FileArchive.h"
#include "foundation/FileManager.h"
#include "foundation/PakBuilder.h"
#include "graphics/ComplexObject.h"
#include "graphics/Font.h"
#include "graphics/ImageFile.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/ParticleSystem.h"
#include "graphics/TexShaderManager.h"
#include "platform/File.h"
#include "platform/dinput/EffectFile.h"
#include "sound/SoundWriters.h"

#include <cmath>
#include <cstdio>
#include <memory>
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
// ---- graphics -------------------------------------------------------------

struct SVertex
{
    float p[3];
    float n[3];
    float uv[2];
};
constexpr std::uint32_t kFvf = 0x112; // position, normal, one texture set

// A box of four vertices per face (the kind mksample's models are made of);
// `lift` raises the top face.
std::unique_ptr<CMesh> Box(float lift)
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kFvf, 24, 1, 36);
    auto* v = reinterpret_cast<SVertex*>(mesh->m_pVertices);
    static const float kNormals[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int f = 0; f < 6; ++f)
    {
        const float* n = kNormals[f];
        const int a = n[0] != 0 ? 1 : 0, b = n[2] != 0 ? 1 : 2;
        for (int k = 0; k < 4; ++k)
        {
            SVertex& out = v[f * 4 + k];
            for (int c = 0; c < 3; ++c) out.p[c] = n[c] * 0.5f;
            out.p[a] = (k % 2) ? 0.5f : -0.5f;
            out.p[b] = (k / 2) ? 0.5f : -0.5f;
            if (out.p[2] > 0.0f) out.p[2] += lift;
            std::memcpy(out.n, n, sizeof out.n);
            out.uv[0] = float(k % 2);
            out.uv[1] = float(k / 2);
        }
        const std::uint16_t base = std::uint16_t(f * 4);
        const std::uint16_t tri[6] = {base, std::uint16_t(base + 1), std::uint16_t(base + 2),
                                      std::uint16_t(base + 2), std::uint16_t(base + 1), std::uint16_t(base + 3)};
        std::memcpy(mesh->m_pIndices + f * 6, tri, sizeof tri);
    }
    return mesh;
}

// A triangle list, or (indexed false) a point list without indices.
std::unique_ptr<CMesh> Triangle(bool indexed)
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kFvf, 3, indexed ? 1u : 0u, indexed ? 3 : 0);
    auto* v = reinterpret_cast<SVertex*>(mesh->m_pVertices);
    for (int i = 0; i < 3; ++i) v[i] = SVertex{{float(i), float(i % 2), 0}, {0, 0, 1}, {float(i) / 2, 0}};
    for (int i = 0; indexed && i < 3; ++i) mesh->m_pIndices[i] = std::uint16_t(i);
    return mesh;
}

std::unique_ptr<CModel> WhiteModel(std::unique_ptr<CMesh> mesh)
{
    auto model = std::make_unique<CModel>();
    model->m_bShared = false; // heap meshes only: no device here
    model->SetMesh(mesh.release());
    float* m = reinterpret_cast<float*>(&model->m_Material);
    for (int c = 0; c < 16; ++c) m[c] = (c < 8) ? 1.0f : 0.0f;
    m[16] = 8.0f;
    model->m_iMaterial = 0;
    model->m_iTechnique = SHADER_NORMAL;
    return model;
}

// The box of mksample's "box.mdl" with its lifting animation; `damaged`
// adds two damage records (the second with an empty replacement mesh).
std::unique_ptr<CModel> BoxModel(bool damaged)
{
    auto model = WhiteModel(Box(0.0f));
    std::unique_ptr<CMesh> lifted = Box(0.5f);
    CMesh* keys[] = {lifted.get()};
    model->AddAnimation(3, "LIFT", keys);
    if (damaged)
    {
        SDamageHeader header{};
        const std::uint16_t removed[2] = {0, 5};
        header.removedCount = 2;
        model->AddDamageData(header, removed, Triangle(true).release());
        header.removedCount = 1;
        model->AddDamageData(header, removed, new CMesh(MESH_MEMORY_HEAP, kFvf, 0, 1, 0));
    }
    return model;
}

template <class F> Bytes WrittenBy(const fs::path& path, F write)
{
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return {};
    const bool ok = write(file);
    if (std::fclose(file) != 0 || !ok) return {};
    return ReadAll(path);
}

std::unique_ptr<CParticleViewer> Sparks(float rate)
{
    auto sparks = std::make_unique<CParticleViewer>();
    SParticleRender& r = sparks->m_Render;
    std::snprintf(r.texture, sizeof r.texture, "%s", "TEX_SAMPLECOLOR");
    r.sizeBirth = 0.3f;
    r.sizeDeath = 0.05f;
    SEmitterParams p = SEmitterParams::Defaults();
    p.maxParticles = 200;
    p.lifetime = 2.0f;
    p.rate = rate;
    p.speed = 2.0f;
    p.spread = 0.4f;
    p.gravity = -2.0f;
    p.gravityOn = 1;
    sparks->Init(p);
    return sparks;
}

SObjectPart Part(std::int32_t type, const char* name, std::uint32_t groupMask)
{
    SObjectPart part;
    part.m_Record.type = type;
    std::snprintf(part.m_Record.name, sizeof part.m_Record.name, "%s", name);
    for (auto& slot : part.m_Record.textures) std::snprintf(slot, sizeof slot, "%s", "_DEFAULT_");
    part.m_Record.groupMask = groupMask;
    return part;
}

bool Models(const fs::path& root, const fs::path& work)
{
    const fs::path path = work / "out.bin";
    for (bool damaged : {false, true})
    {
        const Bytes block = WrittenBy(path, [&](std::FILE* f) { return BoxModel(damaged)->Save(f); });
        if (block.empty()) return false;
        WriteSeed(root / "model", damaged ? "damaged" : "box", block);
    }
    const Bytes triangle = WrittenBy(path, [](std::FILE* f) { return WhiteModel(Triangle(true))->Save(f); });
    if (triangle.empty()) return false;
    WriteSeed(root / "model", "triangle", triangle);

    // mksample's "sparks.mdl": a plate, an "FX" marker and a particle system.
    CComplexObject object;
    SObjectPart plate = Part(0, "PLATE", 1);
    plate.m_pModel = BoxModel(true);
    SObjectPart marker = Part(1, "FX", 0);
    marker.m_pModel = WhiteModel(Triangle(true));
    SObjectPart sparks = Part(4, "SPARKS", 2);
    sparks.m_pParticles = Sparks(40.0f);
    object.m_Parts.push_back(std::move(plate));
    object.m_Parts.push_back(std::move(marker));
    object.m_Parts.push_back(std::move(sparks));
    const Bytes file = WrittenBy(path, [&](std::FILE* f) { return object.Save(f); });
    if (file.empty()) return false;
    WriteSeed(root / "complex_object", "sparks", file);

    // A rate the emission count once overflowed on.
    for (float rate : {40.0f, 4.1e31f})
    {
        const Bytes record = WrittenBy(path, [&](std::FILE* f) { return Sparks(rate)->Save(f); });
        if (record.empty()) return false;
        WriteSeed(root / "particles", rate < 100.0f ? "sparks" : "huge_rate", record);
    }

    for (bool indexed : {false, true})
    {
        const Bytes mesh = WrittenBy(path, [&](std::FILE* f) { return Triangle(indexed)->SaveToFile(f); });
        if (mesh.empty()) return false;
        WriteSeed(root / "mesh", indexed ? "triangle" : "points", mesh);
    }
    const Bytes box = WrittenBy(path, [](std::FILE* f) { return Box(0.0f)->SaveToFile(f); });
    const Bytes none =
        WrittenBy(path, [](std::FILE* f) { return CMesh(MESH_MEMORY_HEAP, kFvf, 0, 1, 0).SaveToFile(f); });
    if (box.empty() || none.empty()) return false;
    WriteSeed(root / "mesh", "box", box);
    WriteSeed(root / "mesh", "empty", none);

    const fs::path obj = work / "box.obj";
    if (!Box(0.0f)->SaveObj(obj.c_str())) return false;
    WriteSeed(root / "obj", "box", ReadAll(obj));
    return true;
}

bool Textures(const fs::path& root)
{
    // mksample's kinds: a 32 x 32 DXT5 chain, A8R8G8B8 and X8R8G8B8 planes;
    // and chains down to levels below one block.
    struct SImageSeed
    {
        const char* name;
        std::uint32_t width, height, levels;
        bool compressed;
        std::uint32_t format;
    };
    static const SImageSeed kSeeds[] = {
        {"dxt5", 32, 32, 0, true, 0},
        {"dxt5_wide", 64, 8, 0, true, 0},
        {"argb", 32, 32, 0, false, kImageFormatA8R8G8B8},
        {"xrgb", 16, 8, 2, false, kImageFormatX8R8G8B8},
        {"tiny", 2, 2, 0, true, 0},
    };
    for (const SImageSeed& seed : kSeeds)
    {
        std::vector<std::uint32_t> px(std::size_t(seed.width) * seed.height);
        for (std::size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | std::uint32_t(i * 2654435761u >> 8);
        const SImageFileLevels levels = MakeImageLevels(px, seed.width, seed.height, seed.levels);
        WriteSeed(root / "tm", seed.name, BuildImageFile(levels, seed.compressed, seed.format));
    }
    return true;
}

// Returns the ".dds" glyph page too (a seed of the image readers).
bool Fonts(const fs::path& root, const fs::path& work, Bytes* page)
{
    CFont font;
    font.Init("DejaVu Sans", 10, 0, 0, 1, 1.0f, 0);
    const fs::path path = work / "small";
    if (!font.SaveFiles(path.c_str())) return false;
    WriteSeed(root / "font", "small", ReadAll(work / "small.fdf"));
    *page = ReadAll(work / "small.dds");
    return !page->empty();
}

// The 32-bit TGA mksample writes for its pictures (bottom row first).
Bytes Tga(std::uint32_t width, std::uint32_t height)
{
    Bytes bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = std::uint8_t(width);
    bytes[13] = std::uint8_t(width >> 8);
    bytes[14] = std::uint8_t(height);
    bytes[15] = std::uint8_t(height >> 8);
    bytes[16] = 32;
    bytes[17] = 8;
    for (std::uint32_t i = 0; i < width * height; ++i)
        bytes.insert(bytes.end(), {std::uint8_t(i), std::uint8_t(i * 3), std::uint8_t(i * 7), 0xC0});
    return bytes;
}

// ---- sound and input ------------------------------------------------------

std::vector<std::int16_t> Tone(std::uint32_t frames, std::uint32_t channels)
{
    std::vector<std::int16_t> s(std::size_t(frames) * channels);
    for (std::uint32_t i = 0; i < frames; ++i)
        for (std::uint32_t c = 0; c < channels; ++c)
            s[i * channels + c] = std::int16_t(9000.0 * std::sin(0.06 * i * (1 + c)));
    return s;
}

bool Sounds(const fs::path& root, const fs::path& work)
{
    const fs::path path = work / "sound";
    const std::vector<std::int16_t> mono = Tone(400, 1), stereo = Tone(300, 2);
    struct SWave
    {
        const char* name;
        std::uint16_t channels, bits;
        const void* data;
        std::uint32_t bytes;
    };
    const std::vector<std::uint8_t> clicks(200, 0x90);
    const SWave waves[] = {{"mono16", 1, 16, mono.data(), std::uint32_t(mono.size() * 2)},
                           {"stereo16", 2, 16, stereo.data(), std::uint32_t(stereo.size() * 2)},
                           {"mono8", 1, 8, clicks.data(), std::uint32_t(clicks.size())}};
    for (const SWave& w : waves)
    {
        plat::ds::WaveFormat f;
        f.formatTag = plat::ds::WAVE_FORMAT_PCM;
        f.channels = w.channels;
        f.samplesPerSec = 22050;
        f.bitsPerSample = w.bits;
        f.blockAlign = std::uint16_t(w.channels * w.bits / 8);
        f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
        if (!WriteWaveFile(path.c_str(), f, w.data, w.bytes)) return false;
        WriteSeed(root / "wav", w.name, ReadAll(path));
    }
    // A short mono stream, and a stereo one chained after it (another format).
    std::vector<std::uint8_t> first, second;
    if (!EncodeOggVorbis(1, 22050, mono.data(), 400, 0.1f, 1, &first) ||
        !EncodeOggVorbis(2, 22050, stereo.data(), 300, 0.1f, 2, &second))
        return false;
    WriteSeed(root / "ogg", "mono", first);
    WriteSeed(root / "wav", "ogg", first); // the container reads Ogg too
    Bytes chained = first;
    chained.insert(chained.end(), second.begin(), second.end());
    WriteSeed(root / "ogg", "chained", chained);
    return true;
}

void Effects(const fs::path& dir)
{
    // mksample's effects: constant shakes and a sine.
    std::vector<plat::FileEffect> effects(3);
    effects[0].name = "coll.ffe";
    effects[0].params.durationUs = 300000;
    effects[0].params.magnitude = 8000;
    effects[1].name = "light.ffe";
    effects[1].params.kind = plat::EEffectKind::Sine;
    effects[1].params.durationUs = 120000;
    effects[1].params.magnitude = 3000;
    effects[1].params.periodUs = 40000;
    effects[2].name = "ramp";
    effects[2].params.kind = plat::EEffectKind::Ramp;
    effects[2].params.rampEnd = -5000;
    WriteSeed(dir, "one", plat::WriteEffectFile({effects[0]}));
    WriteSeed(dir, "three", plat::WriteEffectFile(effects));
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
    for (const char* reader : {"pack", "archive", "database", "resource_db", "model", "complex_object", "mesh",
                               "obj", "tm", "particles", "font", "wav", "ogg", "image", "effects"})
        fs::create_directories(root / reader);
    fs::create_directories(work);
    g_ErrorLog.SetDirectory(work.c_str());
    Bytes page;
    const bool ok = Packs(root / "pack", work) && Archives(root / "archive", work) &&
                    Databases(root / "database", work) && Models(root, work) && Textures(root) &&
                    Fonts(root, work, &page) && Sounds(root, work);
    if (ok)
    {
        WriteSeed(root / "image", "page", page);
        WriteSeed(root / "image", "picture", Tga(19, 7));
    }
    IniFiles(root / "resource_db");
    Effects(root / "effects");
    fs::remove_all(work);
    if (!ok)
    {
        std::fprintf(stderr, "fuzz_corpus: a writer failed\n");
        return 1;
    }
    std::printf("fuzz_corpus: seeds written to %s\n", root.c_str());
    return 0;
}
