// Loading and first drawing of 500 models from a pack through the texture
// and model managers on a hidden device.
//
// Every model file is a textured box with a one-key animation (written with
// CModel::Save); the pack holds 500 of them under different names. One
// iteration opens both managers over an INI resource list, loads every
// model with GetModelForce and draws it once, animated (the model's
// animation evaluated at a value that differs from model to model), through
// the "MODELS" ring, then reads a pixel of the back buffer back, which
// waits for the rasteriser to finish the frame. Reports models per second
// and the peak of the loaded model bytes against the manager's 30 MB budget.
#include "foundation/Graphic.h"
#include "foundation/PakBuilder.h"
#include "foundation/PakFileSystem.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/ImageFile.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureFile.h"
#include "graphics/TextureManager.h"
#include "platform/File.h"
#include "platform/Window.h"
#include "platform/d3d8/D3D8.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kModels = 500;
// "Текстуры" and "Модели" in code page 1251.
constexpr const char* kTextureSection = "\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB";
constexpr const char* kModelSection = "\xCC\xEE\xE4\xE5\xEB\xE8";

std::atomic<std::uint64_t> g_uLive{0};
std::atomic<std::uint64_t> g_uPeak{0};

// Counts the bytes of the loaded objects as the manager sees them.
class CCountedObject : public CSingleModelObject
{
public:
    ~CCountedObject() override { g_uLive.fetch_sub(m_nBytes); }
    bool LoadFromStream(CPakStream& stream) override
    {
        const bool ok = CSingleModelObject::LoadFromStream(stream);
        m_nBytes = GetMemorySize();
        const std::uint64_t live = g_uLive.fetch_add(m_nBytes) + m_nBytes;
        std::uint64_t peak = g_uPeak.load();
        while (live > peak && !g_uPeak.compare_exchange_weak(peak, live))
        {
        }
        return ok;
    }

private:
    std::uint64_t m_nBytes = 0;
};

struct SVertex
{
    float p[3], n[3], uv[2];
};

// A box of 24 vertices; `lift` raises its top face.
CMesh* Box(float lift)
{
    auto* mesh = new CMesh(MESH_MEMORY_HEAP, 0x112, 24, 1, 36);
    auto* v = reinterpret_cast<SVertex*>(mesh->m_pVertices);
    static const float kNormals[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int f = 0; f < 6; ++f)
    {
        const float* n = kNormals[f];
        const int a = n[0] != 0 ? 1 : 0, b = n[2] != 0 ? 1 : 2;
        for (int k = 0; k < 4; ++k)
        {
            SVertex& out = v[f * 4 + k];
            for (int c = 0; c < 3; ++c)
                out.p[c] = n[c] * 0.5f;
            out.p[a] = (k % 2) ? 0.5f : -0.5f;
            out.p[b] = (k / 2) ? 0.5f : -0.5f;
            if (out.p[2] > 0) out.p[2] += lift;
            std::memcpy(out.n, n, sizeof out.n);
            out.uv[0] = float(k % 2);
            out.uv[1] = float(k / 2);
        }
        const std::uint16_t q[6] = {0, 1, 2, 2, 1, 3};
        for (int i = 0; i < 6; ++i)
            mesh->m_pIndices[f * 6 + i] = std::uint16_t(f * 4 + q[i]);
    }
    return mesh;
}

bool WriteModelFile(const std::string& path)
{
    CModel model;
    model.m_bShared = false;
    model.SetMesh(Box(0.0f));
    float* m = reinterpret_cast<float*>(&model.m_Material);
    for (int c = 0; c < 8; ++c)
        m[c] = 1.0f;
    model.m_iMaterial = 0;
    model.m_iTechnique = SHADER_NORMAL;
    std::unique_ptr<CMesh> key(Box(0.5f));
    CMesh* keys[] = {key.get()};
    model.AddAnimation(3, "LIFT", keys);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::uint8_t header[kModelFileHeaderSize] = {};
    header[0] = 1;
    SModelFilePart part{};
    std::snprintf(part.name, sizeof part.name, "BOX");
    std::snprintf(part.textures[0], sizeof part.textures[0], "TEX_BOX");
    bool ok = std::fwrite(header, sizeof header, 1, file) == 1 &&
              std::fwrite(&part, sizeof part, 1, file) == 1 && model.Save(file);
    return std::fclose(file) == 0 && ok;
}

// The data tree in a temporary directory that is also the working one.
class CFixture
{
public:
    CFixture()
    {
        m_previous = plat::GetCurrentDirectory();
        m_dir = std::filesystem::temp_directory_path() / "tvx_bench_model_load";
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "Data");
        plat::SetCurrentDirectory(m_dir.c_str());
        const std::string source = (m_dir / "box.mdl").string();
        std::vector<std::uint32_t> px(64 * 64, 0xFFC08040u);
        m_ok = WriteModelFile(source) &&
               WriteImageFile("box.tm", MakeImageLevels(px, 64, 64), false, kImageFormatA8R8G8B8);
        std::vector<std::string> names;
        for (int i = 0; i < kModels; ++i)
            names.push_back("Models\\M" + std::to_string(i) + ".MDL");
        std::vector<const char*> stored, paths;
        for (const std::string& n : names)
        {
            stored.push_back(n.c_str());
            paths.push_back(source.c_str());
        }
        CPackBuilder builder;
        m_ok = m_ok && builder.Build("Data\\models.pak", stored.data(), paths.data(), kModels, 4096, 0x05,
                                     0.0f, nullptr, nullptr);
        std::ofstream("db.ini") << "[" << kTextureSection << "]\nfilename=tex.ini\n"
                                << "[" << kModelSection << "]\nfilename=models.ini\n";
        std::ofstream("tex.ini") << "[TEX_BOX]\nFilename=box.tm\nTEXTURETYPE=2\n";
        std::ofstream models("models.ini");
        for (int i = 0; i < kModels; ++i)
            models << "[MOD_" << i << "]\nFilename=" << names[std::size_t(i)] << "\nRadius=1\n";
        models.close();
        m_ok = m_ok && GetPakFileSystem().Mount("Data") == 1 &&
               g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni);

        static const bool registered = plat::RegisterClass(
            plat::WindowClass{0,
                              [](plat::Window* w, std::uint32_t msg, plat::WParam wp, plat::LParam lp)
                              { return plat::DefWindowProc(w, msg, wp, lp); },
                              "ModelLoadBench", nullptr});
        (void)registered;
        m_pWindow = plat::CreateWindow("ModelLoadBench", "bench", plat::WS_OVERLAPPED, 0, 0, 64, 64);
        SDisplayParameters p;
        p.width = 64;
        p.height = 64;
        p.windowed = 1;
        m_ok = m_ok && m_pWindow && graph.CreateDirect3D() && graph.CreateDevice(p, m_pWindow);
        RegisterTextureFileReader();
        g_Settings.TextureQuality = 0;
        g_Settings.TextureCompression = 0;
    }
    ~CFixture()
    {
        g_ResourceDB.Done();
        GetPakFileSystem().Unmount();
        graph.Release();
        if (m_pWindow) plat::DestroyWindow(m_pWindow);
        plat::SetCurrentDirectory(m_previous.c_str());
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    bool Ok() const { return m_ok; }

private:
    std::filesystem::path m_dir;
    std::string m_previous;
    plat::Window* m_pWindow = nullptr;
    bool m_ok = false;
};

// Copies the back buffer to system memory and reads a pixel: the copy
// cannot finish before the rasteriser has drawn everything before it.
bool WaitForRasteriser(plat::d3d::Device* device)
{
    using namespace plat::d3d;
    Surface* back = nullptr;
    if (plat::Failed(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) return false;
    SSurfaceDesc desc{};
    back->GetDesc(&desc);
    Surface* image = nullptr;
    bool ok = plat::Succeeded(device->CreateImageSurface(desc.Width, desc.Height, desc.Format, &image)) &&
              plat::Succeeded(device->CopyRects(back, nullptr, 0, image, nullptr));
    back->Release();
    SLockedRect locked{};
    if (ok && plat::Succeeded(image->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
    {
        benchmark::DoNotOptimize(*static_cast<const std::uint32_t*>(locked.pBits));
        image->UnlockRect();
    }
    else
        ok = false;
    if (image) image->Release();
    return ok;
}

void BM_LoadAndFirstDraw(benchmark::State& state)
{
    CFixture fixture;
    if (!fixture.Ok())
    {
        state.SkipWithError("fixture not built (device, pack or list)");
        return;
    }
    SetModelObjectFactory([]() -> IModelObject* { return new CCountedObject(); });
    TexShaderManager shaders;
    shaders.Init(false);
    g_pTexShaderManager = &shaders;
    std::int64_t drawn = 0;
    for (auto _ : state)
    {
        TextureManager textures;
        g_pTextureManager = &textures;
        textures.Init(kTextureSection);
        CModelManager models;
        g_pModelManager = &models;
        models.Init();
        models.Init(kModelSection);
        CTexture* texture = textures.GetTextureForce(textures.FindName("TEX_BOX"));
        plat::d3d::Device* device = graph.m_lpDevice;
        device->BeginScene();
        for (int i = 0; i < kModels; ++i)
        {
            auto* object = dynamic_cast<CSingleModelObject*>(models.GetModelForce(i));
            CModel* model = object ? object->GetModel() : nullptr;
            if (!model) continue;
            float animation[4] = {float(i % 10 + 1) / 10.0f, 0, 0, 0};
            // The lifted box of this value into the work mesh the ring copies.
            if (!model->GetAnimatedMesh(animation, true)) continue;
            model->RenderBuffered(animation, texture);
            ++drawn;
        }
        device->EndScene();
        if (!WaitForRasteriser(device)) state.SkipWithError("back buffer not read back");
        models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        g_pTextureManager = nullptr;
    }
    shaders.Purge();
    g_pTexShaderManager = nullptr;
    SetModelObjectFactory(nullptr);
    state.SetItemsProcessed(drawn);
    state.counters["models_per_s"] = benchmark::Counter(double(drawn), benchmark::Counter::kIsRate);
    state.counters["peak_model_bytes"] = double(g_uPeak.load());
    state.counters["budget_bytes"] = double(CModelManager::kMemoryBudget);
    state.counters["peak_of_budget_pct"] =
        100.0 * double(g_uPeak.load()) / double(CModelManager::kMemoryBudget);
    if (drawn != std::int64_t(state.iterations()) * kModels) state.SkipWithError("not every model was drawn");
}
BENCHMARK(BM_LoadAndFirstDraw)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

BENCHMARK_MAIN();
