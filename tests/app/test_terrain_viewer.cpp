// The terrain viewer of the minimal application: a hilly map loaded and
// drawn through the real Direct3D 8 layer offscreen, the frame read back
// and written as "terrain_viewer.png" next to the test program; the arrow
// keys move the camera and the camera stays above the ground.
#include "app/TerrainViewer.h"

#include "foundation/GuidKey.h"
#include "foundation/Input.h"
#include "foundation/Texture.h"
#include "graphics/GraphicTestDevice.h"
#include "graphics/LandTypes.h"
#include "graphics/PngWriter.h"
#include "graphics/TexShaderManager.h"
#include "location/Location.h"
#include "location/MapWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>

using namespace plat::d3d;

namespace
{
// Keys held down by the test; everything else is idle.
class CHeldKeys : public IInput
{
public:
    CGuidKey GetGUID() const override { return CGuidKey(); }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Init(SInputInit*) override { return true; }
    void Unacquire() override {}
    void Acquire() override {}
    void Done() override {}
    int Update() override { return 0; }
    void OnChar(char, std::uint32_t) override {}
    plat::Point GetCursorPos() override { return {}; }
    bool IsPressed(int) override { return false; }
    bool IsReleased(int) override { return false; }
    bool IsDown(int code) override { return code == m_held; }
    void SetJoystickEnabled(bool) override {}
    bool IsJoystickEnabled() override { return false; }
    bool HasForceFeedback() override { return false; }
    InputVector GetMouseDelta() override { return {}; }
    InputVector GetJoystickAxes() override { return {}; }
    int GetJoystickPov() override { return -1; }
    InputVector GetJoystickSliders() override { return {}; }
    InputVector GetJoystickRotation() override { return {}; }
    const InputQueue& GetEvents() override { return m_queue; }
    const InputQueue& GetPendingChars() override { return m_queue; }

    int m_held = -1;
    InputQueue m_queue;
};

class CGrass : public ITerrainTextures
{
public:
    CGrass()
    {
        m_texture.CreateTexture(32, 32, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
        SLockedRect locked{};
        if (m_texture.m_lpTexture && m_texture.m_lpTexture->LockRect(0, &locked, nullptr, 0) == D3D_OK)
        {
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                {
                    const std::uint32_t n = std::uint32_t((x * 7 + y * 11) % 6) * 5;
                    const std::uint32_t c = 0xFF000000u | (0x58 + n) << 16 | (0x98 + n) << 8 | (0x40 + n);
                    std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
                }
            m_texture.m_lpTexture->UnlockRect(0);
        }
    }
    CTexture* GetTexture(std::int32_t id) override { return id == 0 ? &m_texture : nullptr; }
    std::int32_t GetDefaultTexture() override { return 0; }
    CTexture m_texture;
};

class TerrainViewer : public gfxtest::CGraphicDeviceTest
{
protected:
    void TearDown() override
    {
        g_TerrainViewer.Done();
        g_Location.m_pTextures = nullptr;
        m_grass.reset();
        g_pTexShaderManager = nullptr;
        m_techniques.Purge();
        CMesh::ResetCurrent();
        CGraphicDeviceTest::TearDown();
    }
    TexShaderManager m_techniques;
    std::unique_ptr<CGrass> m_grass;
    gfxtest::CTempDir m_dir{"viewer"};
};
} // namespace

TEST_F(TerrainViewer, DrawsHillsAndFliesWithTheArrowKeys)
{
    ASSERT_TRUE(OpenDevice(64, 48));
    ASSERT_TRUE(m_techniques.Init(true));
    g_pTexShaderManager = &m_techniques;
    m_grass = std::make_unique<CGrass>();
    g_Location.m_pTextures = m_grass.get();

    // Rolling hills over 2 x 2 cells.
    SMapSource source;
    source.width = source.height = 129;
    source.heights.resize(129 * 129);
    for (int y = 0; y < 129; ++y)
        for (int x = 0; x < 129; ++x)
            source.heights[std::size_t(y * 129 + x)] =
                60.0f + 45.0f * std::sin(float(x) * 0.21f) * std::cos(float(y) * 0.17f) + 0.6f * float(x);
    const std::string path = m_dir / "hills.lop";
    ASSERT_TRUE(WriteMapFile(path.c_str(), source));
    ASSERT_TRUE(g_TerrainViewer.Init(path.c_str()));

    Surface* target = nullptr;
    Surface* depth = nullptr;
    constexpr std::uint32_t kWidth = 320, kHeight = 240;
    Device* d = graph.m_lpDevice;
    ASSERT_EQ(d->CreateRenderTarget(kWidth, kHeight, D3DFMT_X8R8G8B8, 0, true, &target), D3D_OK);
    ASSERT_EQ(d->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D24S8, 0, &depth), D3D_OK);
    ASSERT_TRUE(graph.PushRenderTarget(target, depth));
    const SViewport viewport{0, 0, kWidth, kHeight, 0.0f, 1.0f};
    d->SetViewport(&viewport);
    SetDefaultStates();
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF182838, 1.0f, 0);
    g_TerrainViewer.Frame(0.02f, nullptr);
    graph.PopRenderTarget();
    std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight);
    SLockedRect locked{};
    ASSERT_EQ(target->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (std::uint32_t row = 0; row < kHeight; ++row)
        std::memcpy(&pixels[row * kWidth],
                    static_cast<const std::uint8_t*>(locked.pBits) + row * locked.Pitch, kWidth * 4);
    target->UnlockRect();
    target->Release();
    depth->Release();
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "terrain_viewer.png";
    gfxtest::WritePng(picture.c_str(), pixels, kWidth, kHeight);
    std::printf("terrain viewer: %s\n", picture.c_str());

    // The lower half of the frame is ground, lit unevenly: many shades of
    // green, none of them the clear colour.
    std::set<std::uint32_t> shades;
    int ground = 0;
    for (std::uint32_t y = kHeight / 2; y < kHeight; ++y)
        for (std::uint32_t x = 0; x < kWidth; ++x)
        {
            const std::uint32_t c = pixels[y * kWidth + x] & 0xFFFFFF;
            shades.insert(c);
            ground += c != 0x182838 && ((c >> 8) & 0xFF) > (c & 0xFF);
        }
    EXPECT_GT(shades.size(), 100u);
    EXPECT_GT(ground, int(kWidth * kHeight / 2) * 9 / 10);

    // One second of the up arrow: 300 units along the heading; the camera
    // stays 20 units or more over the ground.
    CHeldKeys keys;
    keys.m_held = 0xC8;
    const CVector start = g_TerrainViewer.m_vPosition;
    const float heading = g_TerrainViewer.m_fHeading;
    for (int i = 0; i < 10; ++i)
        g_TerrainViewer.Frame(0.1f, &keys);
    EXPECT_NEAR(g_TerrainViewer.m_vPosition.x - start.x, 300.0f * std::sin(heading), 0.5f);
    EXPECT_NEAR(g_TerrainViewer.m_vPosition.y - start.y, 300.0f * std::cos(heading), 0.5f);
    keys.m_held = 0xD1; // page down: into the ground, held up above it
    for (int i = 0; i < 30; ++i)
        g_TerrainViewer.Frame(0.1f, &keys);
    EXPECT_GE(g_TerrainViewer.m_vPosition.z, g_Location.GetHeight(g_TerrainViewer.m_vPosition) + 19.9f);
}
