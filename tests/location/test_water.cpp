// Water: the meshes of near blocks and far cells (empty blocks, the shallow
// fade and alpha 25 above the level, the diagonals, a fade factor of 0),
// one reflection per visible water record, the fog term of the water
// program, and through the Direct3D 8 layer offscreen a red wall standing
// in a lake whose reflection shows on the water below it, seen from two
// heights.
#include "LandTypeFixture.h"
#include "TerrainPixelFixture.h"
#include "world/WorldTestScene.h"

#include "graphics/ModelManager.h"
#include "graphics/PngWriter.h"
#include "location/EffectRenderManager.h"
#include "location/TileTable.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace terraintest;

namespace
{
struct SVertex
{
    float x, y, z, w1, w2, w3, nx, ny, nz;
    std::uint32_t diffuse;
    float u, v;
};

const SVertex* Vertices(const SMeshSlot* slot)
{
    return reinterpret_cast<const SVertex*>(slot->m_Geometry.m_pVertices);
}

// One cell: ground at -20 up to column 28, at +10 from column 29 on (so
// the water flag stops at column 28); one water record at level 0.
SMapSource ShoreMap(float amplitude, float fade)
{
    SMapSource source = MakeSource(65, 65);
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 65; ++x)
            source.heights[std::size_t(y * 65 + x)] = x <= 28 ? -20.0f : 10.0f;
    SWaterRecord water = MakeWaterRecord(0x2040A0, 0.0f, "", "");
    water.waveAmplitude = amplitude;
    water.fadeFactor = fade;
    source.water = {water};
    source.cellWater = {0};
    return source;
}

class WaterMeshes : public CLocationTest
{
protected:
    void OpenShore(float amplitude, float fade = 0.05f)
    {
        ASSERT_TRUE(Open(ShoreMap(amplitude, fade)));
        Load(0, 0, kLevelNear);
        ASSERT_NE(m_location->GetCell(0, 0).m_pWater, nullptr);
    }
    const SWaterEntry* Water() { return m_location->GetCell(0, 0).m_pWater; }
    // The group's two triangles relative to its first vertex.
    std::vector<int> Triangles(const SMeshSlot* slot, int group)
    {
        std::vector<int> out;
        for (int i = 0; i < 6; ++i)
            out.push_back(int(slot->m_Geometry.m_pIndices[group * 6 + i]) - group * 4);
        return out;
    }
};
} // namespace

TEST_F(WaterMeshes, EmptyBlockShallowFadeAndAlpha25AboveTheLevel)
{
    OpenShore(0.5f);
    // Block 1 (columns 32..63) has no flagged vertex: an empty mesh.
    SMeshSlot* dry = m_location->GenerateWater(0, 0, 1, Water());
    ASSERT_NE(dry, nullptr);
    EXPECT_EQ(dry->m_nVertexCount, 0);
    EXPECT_EQ(dry->m_nIndexCount, 0);

    // Block 0: every 4 x 4 group has a wet corner: 64 quads.
    SMeshSlot* wet = m_location->GenerateWater(0, 0, 0, Water());
    ASSERT_NE(wet, nullptr);
    ASSERT_EQ(wet->m_nVertexCount, 256);
    ASSERT_EQ(wet->m_nIndexCount, 384);
    EXPECT_EQ(m_location->GetCell(0, 0).m_pNear->m_Quads[0].m_pWater, wet);
    int shallow = 0, deep = 0;
    for (int i = 0; i < wet->m_nVertexCount; ++i)
    {
        const SVertex& v = Vertices(wet)[i];
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_EQ(v.nz, 1.0f);
        EXPECT_EQ(v.diffuse & 0xFFFFFF, 0x2040A0u);
        const std::uint32_t alpha = v.diffuse >> 24;
        if (v.x >= 320.0f)
        {
            EXPECT_EQ(alpha, 25u) << v.x; // above the level: 0.1 x 255
            ++shallow;
        }
        else
        {
            EXPECT_EQ(alpha, 127u) << v.x; // 20 deep, k = 20: 1 - 20 / 40
            ++deep;
        }
        const float phase = (v.x + v.y) / 10.0f / 8.0f;
        EXPECT_NEAR(v.w1, (std::cos(phase) * 0.5f + 1.0f) * 0.5f, 1e-5f);
        EXPECT_NEAR(v.w2, (std::sin(phase) * 0.5f + 1.0f) * 0.5f, 1e-5f);
    }
    EXPECT_EQ(shallow, 8 * 2); // the right edge of the last column of groups
    EXPECT_GT(deep, 0);
    // Waves: the diagonal alternates like a chessboard.
    EXPECT_NE(Triangles(wet, 0), Triangles(wet, 1));
    EXPECT_EQ(Triangles(wet, 0), Triangles(wet, 2));

    // The block's mesh is kept; without a level the block has none.
    MapQuad& quad = m_location->GetCell(0, 0).m_pNear->m_Quads[0];
    quad.m_nLevel = 0;
    EXPECT_EQ(m_location->GetWaterMesh(0, 0, 0, Water()), nullptr);
    quad.m_nLevel = 1;
    EXPECT_EQ(m_location->GetWaterMesh(0, 0, 0, Water()), wet);
}

TEST_F(WaterMeshes, FlatWaterOneDiagonalAndAFadeOfZeroIsNoNumberFree)
{
    OpenShore(0.0f, 0.0f);
    SMeshSlot* wet = m_location->GenerateWater(0, 0, 0, Water());
    ASSERT_EQ(wet->m_nVertexCount, 256);
    for (int g = 1; g < 64; ++g)
        EXPECT_EQ(Triangles(wet, g), Triangles(wet, 0)) << g;
    for (int i = 0; i < wet->m_nVertexCount; ++i)
    {
        const std::uint32_t alpha = Vertices(wet)[i].diffuse >> 24;
        EXPECT_TRUE(alpha == 0u || alpha == 25u) << alpha;
    }
}

TEST_F(WaterMeshes, FarCellWaterInGroupsOfEightQuads)
{
    OpenShore(0.5f);
    Load(0, 0, kLevelFar);
    SMeshSlot* far = m_location->GenerateWater4(0, 0, Water());
    ASSERT_NE(far, nullptr);
    EXPECT_EQ(m_location->GetCell(0, 0).m_pFar->m_pWater, far);
    // Groups whose first and opposite corners are both flagged: columns
    // 0..3 (their opposite corner at column 32 is dry for group 3).
    EXPECT_EQ(far->m_nVertexCount, 8 * 3 * 4);
    EXPECT_EQ(far->m_nIndexCount, 8 * 3 * 6);
    for (int i = 0; i < far->m_nVertexCount; ++i)
        EXPECT_LE(Vertices(far)[i].x, 240.0f);
}

namespace
{
// Draws a red wall across x 220..420 at y = 400, from z = -20 to 80,
// straight away (not through the effect queue).
class CRedWall : public CMMObject
{
public:
    CRedWall()
    {
        m_bShown = 1;
        m_fRadius = 120.0f;
        CMatrix at(1.0f);
        at.SetTranslation(CVector{320, 400, 30});
        SetMatrix(at);
    }
    void Draw() override
    {
        struct V
        {
            float x, y, z;
            std::uint32_t c;
        };
        const V v[4] = {{220, 400, -20, 0xFFFF0000},
                        {420, 400, -20, 0xFFFF0000},
                        {220, 400, 80, 0xFFFF0000},
                        {420, 400, 80, 0xFFFF0000}};
        Device* d = graph.m_lpDevice;
        const CMatrix id(1.0f);
        d->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&id));
        d->SetRenderState(D3DRS_LIGHTING, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_FOGENABLE, 0);
        d->SetTexture(0, nullptr);
        g_TextureStageCache[0] = nullptr;
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        VertexBuffer* vb = nullptr;
        d->CreateVertexBuffer(sizeof v, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_MANAGED, &vb);
        if (!vb) return;
        std::uint8_t* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        std::memcpy(data, v, sizeof v);
        vb->Unlock();
        d->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        d->SetStreamSource(0, vb, sizeof(V));
        d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        d->SetStreamSource(0, nullptr, 0);
        vb->Release();
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        CMesh::ResetCurrent();
    }
};

class WaterPixels : public TerrainPixels
{
protected:
    void SetUp() override
    {
        TerrainPixels::SetUp();
        g_pModelManager = &m_models;
        m_savedFull = g_Settings.FullReflection;
        g_Settings.FullReflection = 1;
        g_EffectRenderManager.Init(1);
    }
    void TearDown() override
    {
        g_EffectRenderManager.Done();
        g_Settings.FullReflection = m_savedFull;
        m_location->Done();
        g_pModelManager = nullptr;
        TerrainPixels::TearDown();
    }

    // A lake over the whole cell: ground at -20, flat water at 0; green
    // ground, blue water texture.
    void OpenLake()
    {
        m_lands.Add(1, 0);
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFF30A030u; }));
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFF103060u; }));
        // A flat bump map (no ripples): the water technique deflects the
        // reflection by it.
        auto bump = std::make_unique<CTexture>();
        graph.m_lpDevice->CreateTexture(4, 4, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &bump->m_lpTexture);
        SLockedRect locked{};
        if (bump->m_lpTexture && bump->m_lpTexture->LockRect(0, &locked, nullptr, 0) == D3D_OK)
        {
            for (int row = 0; row < 4; ++row)
                std::memset(static_cast<std::uint8_t*>(locked.pBits) + row * locked.Pitch, 0, 8);
            bump->m_lpTexture->UnlockRect(0);
        }
        m_textures.m_textures.push_back(std::move(bump));
        m_textures.m_textures.push_back(MakeTexture([](int, int) { return 0xFF808080u; }));
        SMapSource source = MakeSource(65, 65);
        source.landTypes.assign(source.heights.size(), 1);
        std::fill(source.heights.begin(), source.heights.end(), -20.0f);
        SWaterRecord water = MakeWaterRecord(0x204080, 0.0f, "", "");
        water.waveAmplitude = 0.0f;
        water.fadeFactor = 1.0f;
        water.frameCount = 0;
        source.water = {water};
        source.cellWater = {0};
        ASSERT_TRUE(Open(source));
        SWaterEntry& entry = m_location->m_Water[0];
        const std::int32_t blue = 1, flat = 2;
        std::memcpy(entry.record.texture, &blue, 4);
        std::memcpy(entry.record.texture2, &flat, 4);
    }

    // Perspective from eye towards target, 90 degrees, into a size x size
    // target; the view camera and the device both take it.
    void SetCamera(const CVector& eye, const CVector& target)
    {
        g_ViewCamera.m_Matrix = CMatrix(1.0f);
        g_ViewCamera.SetForward(Normalize(target - eye));
        g_ViewCamera.SetPosition(eye);
        g_ViewCamera.m_mView = g_ViewCamera.m_Matrix;
        CMatrix p(0.0f);
        p.m[0][0] = 1.0f;
        p.m[1][1] = 1.0f;
        p.m[2][2] = 5000.0f / (5000.0f - 1.0f);
        p.m[2][3] = 1.0f;
        p.m[3][2] = -5000.0f / (5000.0f - 1.0f);
        g_ViewCamera.m_mProjection = p;
        g_ViewCamera.UpdateViewProjection();
        InvertMatrix(g_ViewCamera.m_mView, g_ViewCamera.m_mInverseView);
        Device* d = graph.m_lpDevice;
        d->SetTransform(D3DTS_VIEW, reinterpret_cast<const SMatrix*>(&g_ViewCamera.m_mView));
        d->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const SMatrix*>(&p));
        m_scene.m_View.m_vEye = eye;
    }

    // One frame of the game's order: reflection, terrain, objects, water.
    std::vector<std::uint32_t> DrawLake(const CVector& eye, const CVector& target, std::uint32_t size)
    {
        SetCamera(eye, target);
        g_EffectRenderManager.ResetFrame();
        Device* d = graph.m_lpDevice;
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
        m_location->PreRender();
        EXPECT_EQ(m_location->m_Water[0].reflection, 1);
        BeginTarget(size, size);
        const SViewport viewport{0, 0, size, size, 0.0f, 1.0f};
        d->SetViewport(&viewport);
        d->BeginScene();
        m_location->CycleRender();
        g_ObjectList.CheckVisibility(true);
        g_ObjectList.Render(false);
        m_location->CycleRenderWater();
        d->EndScene();
        return EndTarget();
    }

    testutil::CLandTypeScope m_lands;
    CModelManager m_models;
    worldtest::CScene m_scene;
    std::uint8_t m_savedFull = 0;
};

int Red(std::uint32_t c)
{
    return int((c >> 16) & 0xFF);
}
} // namespace

TEST_F(WaterPixels, OneReflectionPerWaterRecordAndNoneFromBelow)
{
    SMapSource source = MakeSource(129, 129);
    std::fill(source.heights.begin(), source.heights.end(), -20.0f);
    source.water = {MakeWaterRecord(0x204080, 0.0f, "", ""), MakeWaterRecord(0x204080, 0.0f, "", "")};
    source.cellWater = {0, 0, 0, 0};
    ASSERT_TRUE(Open(source));
    g_EffectRenderManager.Done();
    g_EffectRenderManager.Init(2);
    g_Settings.VisibleRadius = 256;
    SetCamera(CVector{640, 640, 100}, CVector{640, 900, 0});
    g_ViewCamera.m_mViewProjection = CMatrix(0.0f); // all four cells in view
    g_EffectRenderManager.ResetFrame();
    m_location->PreRender();
    EXPECT_EQ(m_location->GetVisibleCount(), 4);
    EXPECT_EQ(m_location->m_Water[0].reflection, 1);
    EXPECT_EQ(m_location->m_Water[1].reflection, -1); // no cell uses it
    EXPECT_EQ(g_EffectRenderManager.m_nSlotsUsed, 1);

    // From below the water, or for another surface kind: none.
    g_EffectRenderManager.ResetFrame();
    g_ViewCamera.SetPosition(CVector{640, 640, -5});
    m_location->CycleMakeWater();
    EXPECT_EQ(m_location->m_Water[0].reflection, -1);
    g_ViewCamera.SetPosition(CVector{640, 640, 100});
    m_location->m_Water[0].record.surfaceKind = 1;
    m_location->CycleMakeWater();
    EXPECT_EQ(m_location->m_Water[0].reflection, -1);
    EXPECT_EQ(g_EffectRenderManager.m_nSlotsUsed, 0);
}

TEST(WaterFog, TheDensityFloorFollowsTheViewRadius)
{
    const int radius = g_Settings.VisibleRadius;
    const float density = g_Environment.m_Work.fogDensity;
    g_Environment.m_Work.fogDensity = 0.0f;
    const float ln2 = std::log(2.0f);
    for (auto [r, d] : {std::pair{256, 0.0005f}, {512, 0.00025f}, {1024, 0.00025f}, {128, 0.001f}})
    {
        g_Settings.VisibleRadius = r;
        EXPECT_NEAR(CLocation::WaterFogTerm(), 2.25f * d * d / (ln2 * ln2), 1e-12f) << r;
    }
    g_Environment.m_Work.fogDensity = 0.01f;
    EXPECT_NEAR(CLocation::WaterFogTerm(), 2.25f * 1e-4f / (ln2 * ln2), 1e-9f);
    g_Environment.m_Work.fogDensity = density;
    g_Settings.VisibleRadius = radius;
}

// The wall's reflection: below the wall, on the water, the picture is
// redder than the water beside it; the wall itself is red. From a low and
// a higher eye, through the water program and, on a device without vertex
// programs, through the fixed-function texture transform. The higher view
// through the program goes to water_reflection.png.
class WaterPaths : public WaterPixels, public ::testing::WithParamInterface<bool>
{
};

TEST_P(WaterPaths, TheLakeReflectsTheWallAboveIt)
{
    const bool program = GetParam();
    const std::uint8_t shaders = graph.m_bVertexShaders;
    if (!program)
    {
        m_techniques.Purge();
        graph.m_bVertexShaders = 0;
        ASSERT_TRUE(m_techniques.Init(true));
        ASSERT_EQ(g_pTexShaderManager->GetTechniqueCaps(SHADER_WATER) & 2, 0);
    }
    else
        ASSERT_NE(g_pTexShaderManager->GetTechniqueCaps(SHADER_WATER) & 2, 0);
    OpenLake();
    g_ObjectList.AddObject(new CRedWall);
    m_scene.m_Cells.ShowAllCells();
    g_Settings.VisibleRadius = 128;
    constexpr std::uint32_t kSize = 256;
    struct SEye
    {
        CVector eye;
        CVector target;
    };
    for (const SEye& view : {SEye{CVector{320, 100, 30}, CVector{320, 400, 0}},
                             SEye{CVector{320, 150, 70}, CVector{320, 400, -10}}})
    {
        const std::vector<std::uint32_t> pixels = DrawLake(view.eye, view.target, kSize);
        ASSERT_EQ(pixels.size(), std::size_t(kSize * kSize));
        // Rows of the wall's base (z = 0) and top (z = 80) in the middle column.
        auto rowOf = [&](float z)
        {
            CVector p{320, 400, z};
            const auto& m = g_ViewCamera.m_mViewProjection.m;
            const float y = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1];
            const float w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
            return int((1.0f - y / w) * 0.5f * float(kSize));
        };
        const int base = rowOf(0.0f), top = rowOf(80.0f), mirrored = rowOf(-80.0f);
        ASSERT_LT(top, base);
        ASSERT_LT(base, mirrored);
        const auto at = [&](int column, int row)
        { return pixels[std::size_t(row) * kSize + std::size_t(column)]; };
        const int middle = int(kSize / 2);
        const std::uint32_t wall = at(middle, (top + base) / 2);
        EXPECT_GT(Red(wall), 200) << std::hex << wall;
        // On the water: under the wall, and at the same row beside it (the
        // wall covers x 220..420: from this distance the view's edge is past it).
        const int row = (base + mirrored) / 2;
        const std::uint32_t under = at(middle, row), beside = at(4, row);
        EXPECT_GT(Red(under), Red(beside) + 20) << std::hex << under << " " << beside << " rows " << std::dec
                                                << top << " " << base << " " << mirrored;
        if (program)
            gfxtest::WritePng((gfxtest::PictureDirectory() / "water_reflection.png").c_str(), pixels, kSize,
                              kSize);
    }
    graph.m_bVertexShaders = shaders;
}

INSTANTIATE_TEST_SUITE_P(Paths, WaterPaths, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info)
                         { return info.param ? std::string("Program") : std::string("FixedFunction"); });

// On the fixed-function path: the stage-0 frame atlas only for an animated
// record with a period (a period of 0 divides nothing), the three world
// matrices of the swell, flat at the level without waves.
TEST_F(WaterPixels, FixedPathAtlasAndSwellMatrices)
{
    m_techniques.Purge();
    const std::uint8_t shaders = graph.m_bVertexShaders;
    graph.m_bVertexShaders = 0;
    ASSERT_TRUE(m_techniques.Init(true));
    OpenLake();
    SWaterEntry& water = m_location->m_Water[0];
    Device* d = graph.m_lpDevice;
    struct SCase
    {
        int frames;
        float period;
        float amplitude;
        float scale; // of the stage-0 transform; 7 = left alone
    };
    g_GameTime = 0.3;
    for (const SCase& c :
         {SCase{0, 1.0f, 0.0f, 7.0f}, {2, 1.0f, 0.0f, 0.5f}, {2, 0.0f, 0.0f, 7.0f}, {4, 2.0f, 1.5f, 0.25f}})
    {
        water.record.frameCount = c.frames;
        water.record.framePeriod = c.period;
        water.record.waveAmplitude = c.amplitude;
        water.record.level = 10.0f;
        CMatrix sentinel(7.0f);
        d->SetTransform(D3DTS_TEXTURE0, reinterpret_cast<const SMatrix*>(&sentinel));
        m_location->m_nWaterTechnique = -1;
        m_location->m_pCurrentWater = nullptr;
        m_location->RenderWater(0, 0, kLevelNear, &water);
        SMatrix t{};
        d->GetTransform(D3DTS_TEXTURE0, &t);
        EXPECT_FLOAT_EQ(t.m[0][0], c.scale) << c.frames << " " << c.period;
        EXPECT_TRUE(std::isfinite(t.m[2][0]) && std::isfinite(t.m[2][1]));
        float z[3];
        for (std::uint32_t i = 0; i < 3; ++i)
        {
            SMatrix w{};
            d->GetTransform(D3DTS_WORLDMATRIX(i), &w);
            z[i] = w.m[3][2];
        }
        if (c.amplitude == 0.0f)
        {
            EXPECT_FLOAT_EQ(z[0], 10.0f);
            EXPECT_FLOAT_EQ(z[1], 10.0f);
            EXPECT_FLOAT_EQ(z[2], 10.0f);
        }
        else
        {
            const float wave = 0.3f * water.record.waveFrequency;
            EXPECT_NEAR(z[0], 10.0f + 4.0f * std::cos(wave) * 1.5f, 1e-4f);
            EXPECT_NEAR(z[1], 10.0f - 4.0f * std::sin(wave) * 1.5f, 1e-4f);
        }
    }
    g_GameTime = 0.0;
    graph.m_bVertexShaders = shaders;
}

TEST_F(WaterPixels, ALocationTakesItsRenderBuffersFromTheCurrentModelManager)
{
    // The location outlives the application's model manager: under a new
    // one its render buffers are that manager's slots, not the old numbers.
    OpenLake();
    const std::int32_t first = m_location->m_iRenderBuffers[0];
    ASSERT_NE(first, -1);
    m_location->Done();
    {
        CModelManager next;
        g_pModelManager = &next;
        const std::int32_t taken = next.CreateRenderBuffer("TAKEN", 0x152, 16, 16, 3, false);
        ASSERT_EQ(taken, first);
        m_location->Init(0, 0);
        EXPECT_EQ(m_location->m_iRenderBuffers[0], taken + 3);
        for (std::int32_t slot : m_location->m_iRenderBuffers)
            EXPECT_NE(slot, -1);
        m_location->Done();
    }
    g_pModelManager = &m_models;
}
