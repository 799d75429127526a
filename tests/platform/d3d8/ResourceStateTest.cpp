// Textures in the compressed and bump formats, locks, render-target
// switching and read-back, state blocks, device loss and reset.
#include "D3D8Fixture.h"

#include "platform/d3d8/Format.h"

#include <thread>

namespace d3dtest
{

namespace
{

void ShowTexture(Device* d)
{
    d->SetRenderState(D3DRS_LIGHTING, 0);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
}

} // namespace

TEST_F(CDeviceTest, TextureFormatsSampleTheirColours)
{
    struct SCase
    {
        Format format;
        std::uint32_t colour, expected;
        int tolerance;
    };
    const SCase cases[] = {
        {D3DFMT_X8R8G8B8, 0x12345678, 0xFF345678, 0}, {D3DFMT_R5G6B5, 0xFFFF8000, 0xFFFF8200, 4},
        {D3DFMT_A1R5G5B5, 0xFF00FF00, 0xFF00FF00, 0}, {D3DFMT_A4R4G4B4, 0xFF8844CC, 0xFF8844CC, 0},
        {D3DFMT_R8G8B8, 0xFF102030, 0xFF102030, 0},   {D3DFMT_DXT3, 0xFF4080C0, 0xFF4080C0, 8},
        {D3DFMT_DXT5, 0xFFC08040, 0xFFC08040, 8},     {D3DFMT_DXT1, 0xFF00FFFF, 0xFF00FFFF, 8},
    };
    ShowTexture(m_dev);
    for (const SCase& c : cases)
    {
        m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        m_dev->SetTexture(0, SolidTexture(c.colour, c.format, 8));
        DrawRhwQuad(0, 0, kSize, kSize, 0xFFFFFFFF);
        EXPECT_TRUE(Near(Pixel(5, 5), c.expected, c.tolerance)) << "format " << c.format;
    }
}

TEST_F(CDeviceTest, BumpMapPerturbsTheNextStage)
{
    // Stage 0: a V8U8 map with du = +0.5 everywhere; scaled by the matrix
    // it moves stage 1's lookup half the texture to the right.
    Texture* bump = nullptr;
    ASSERT_EQ(m_dev->CreateTexture(4, 4, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &bump), D3D_OK);
    m_keep.push_back(bump);
    SLockedRect lr;
    ASSERT_EQ(bump->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
        {
            auto* p = static_cast<std::int8_t*>(lr.pBits) + y * lr.Pitch + x * 2;
            p[0] = 64; // du
            p[1] = 0;  // dv
        }
    bump->UnlockRect(0);
    std::vector<std::uint32_t> halves(16);
    for (int i = 0; i < 16; ++i)
        halves[i] = (i % 4) < 2 ? 0xFFFF0000 : 0xFF0000FF;
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    m_dev->SetTexture(0, bump);
    m_dev->SetTexture(1, TextureFrom(halves, 4, 4));
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
    m_dev->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, U(1.0f));
    m_dev->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, U(1.0f));
    m_dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    m_dev->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    std::uint32_t passes = 0;
    EXPECT_EQ(m_dev->ValidateDevice(&passes), D3D_OK);
    DrawRhwQuad(0, 0, kSize, kSize, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(4, 16), 0xFF0000FF, 2)); // left edge now reads the right half
    // A bump stage cannot be the last one.
    m_dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    EXPECT_NE(m_dev->ValidateDevice(&passes), D3D_OK);
}

TEST_F(CDeviceTest, LocksCheckRectanglesAndKeepData)
{
    Texture* t = nullptr;
    ASSERT_EQ(m_dev->CreateTexture(16, 16, 0, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &t), D3D_OK);
    EXPECT_EQ(t->GetLevelCount(), 5u);
    SLockedRect lr;
    const plat::Rect misaligned{2, 0, 8, 4};
    EXPECT_EQ(t->LockRect(0, &lr, &misaligned, 0), D3DERR_INVALIDCALL);
    const plat::Rect outside{0, 0, 32, 4};
    EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    const plat::Rect sub{4, 4, 8, 8};
    ASSERT_EQ(t->LockRect(0, &lr, &sub, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 64);                                        // four blocks of 16 bytes per block row
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL); // already locked
    EXPECT_EQ(t->UnlockRect(0), D3D_OK);
    EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);
    t->Release();

    Texture* def = nullptr;
    ASSERT_EQ(m_dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &def), D3D_OK);
    EXPECT_EQ(def->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL); // default pool: not lockable
    def->Release();

    VertexBuffer* vb = nullptr;
    ASSERT_EQ(m_dev->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    std::uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(60, 8, &p, D3DLOCK_NOOVERWRITE), D3DERR_INVALIDCALL); // past the end
    EXPECT_EQ(vb->Lock(32, 32, &p, D3DLOCK_NOOVERWRITE), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    vb->Release();
}

TEST_F(CDeviceTest, DrawsPastBufferEndsAreRefused)
{
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(m_dev->CreateVertexBuffer(sizeof(SRhwVertex) * 3, 0, kRhwFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(m_dev->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    m_dev->SetVertexShader(kRhwFvf);
    m_dev->SetStreamSource(0, vb, sizeof(SRhwVertex));
    m_dev->SetIndices(ib, 0);
    EXPECT_EQ(m_dev->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 3, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3D_OK);
    m_dev->SetStreamSource(0, nullptr, 0);
    m_dev->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}

TEST_F(CDeviceTest, RenderTargetTextureIsDrawnThenSampled)
{
    Texture* rt = nullptr;
    ASSERT_EQ(m_dev->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt),
              D3D_OK);
    Surface* level = nullptr;
    rt->GetSurfaceLevel(0, &level);
    Surface *oldRt = nullptr, *oldDepth = nullptr;
    m_dev->GetRenderTarget(&oldRt);
    m_dev->GetDepthStencilSurface(&oldDepth);
    ASSERT_EQ(m_dev->SetRenderTarget(level, nullptr), D3D_OK);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    const SRect top{0, 0, 16, 8};
    m_dev->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0); // top half red
    ASSERT_EQ(m_dev->SetRenderTarget(oldRt, oldDepth), D3D_OK);
    ShowTexture(m_dev);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    m_dev->SetTexture(0, rt);
    DrawRhwQuad(0, 0, kSize, kSize, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(16, 4), 0xFFFF0000, 0)); // rows keep their order
    EXPECT_TRUE(Near(Pixel(16, 28), 0xFF00FF00, 0));
    // Copying the back buffer into an image surface reads the same pixels.
    Surface* image = nullptr;
    ASSERT_EQ(m_dev->CreateImageSurface(kSize, kSize, D3DFMT_X8R8G8B8, &image), D3D_OK);
    ASSERT_EQ(m_dev->CopyRects(oldRt, nullptr, 0, image, nullptr), D3D_OK);
    SLockedRect lr;
    image->LockRect(&lr, nullptr, D3DLOCK_READONLY);
    EXPECT_EQ(static_cast<std::uint32_t*>(lr.pBits)[4 * kSize + 16], 0xFFFF0000u);
    image->UnlockRect();
    m_dev->SetTexture(0, nullptr);
    image->Release();
    level->Release();
    oldRt->Release();
    oldDepth->Release();
    rt->Release();
}

TEST_F(CDeviceTest, StateBlocksRecordWithoutApplyingAndApplyLater)
{
    ASSERT_EQ(m_dev->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(m_dev->BeginStateBlock(), D3DERR_INVALIDCALL);
    m_dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    m_dev->SetTexture(0, SolidTexture(0xFF00FF00));
    std::uint32_t token = 0;
    ASSERT_EQ(m_dev->EndStateBlock(&token), D3D_OK);
    std::uint32_t v = 0;
    m_dev->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, D3DBLEND_ONE); // recording left the device alone
    m_dev->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, D3DTOP_DISABLE);
    ASSERT_EQ(m_dev->ApplyStateBlock(token), D3D_OK);
    m_dev->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, D3DBLEND_SRCALPHA);
    m_dev->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, D3DTOP_ADD);
    Texture* bound = nullptr;
    m_dev->GetTexture(0, &bound);
    EXPECT_NE(bound, nullptr);
    if (bound) bound->Release();
    // A captured block restores what it captured.
    std::uint32_t all = 0;
    ASSERT_EQ(m_dev->CreateStateBlock(D3DSBT_ALL, &all), D3D_OK);
    m_dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    m_dev->ApplyStateBlock(all);
    m_dev->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, D3DBLEND_SRCALPHA);
    EXPECT_EQ(m_dev->DeleteStateBlock(token), D3D_OK);
    EXPECT_EQ(m_dev->ApplyStateBlock(token), D3DERR_INVALIDCALL);
    m_dev->SetTexture(0, nullptr);
    EXPECT_EQ(m_dev->DeleteStateBlock(all), D3D_OK);
}

TEST_F(CDeviceTest, LostDeviceResetsOnlyAfterDefaultPoolIsReleased)
{
    Texture* def = nullptr;
    ASSERT_EQ(m_dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &def), D3D_OK);
    Texture* managed = SolidTexture(0xFF0000FF);
    m_dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_dev->SimulateDeviceLoss(false);
    EXPECT_EQ(m_dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    SPresentParameters p = m_params;
    EXPECT_EQ(m_dev->Reset(&p), D3DERR_DEVICELOST);
    m_dev->SimulateDeviceLoss(true);
    EXPECT_EQ(m_dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_dev->Reset(&p), D3DERR_INVALIDCALL); // the default-pool texture still lives
    def->Release();
    p.BackBufferWidth = p.BackBufferHeight = 16;
    ASSERT_EQ(m_dev->Reset(&p), D3D_OK);
    EXPECT_EQ(m_dev->TestCooperativeLevel(), D3D_OK);
    std::uint32_t v = 0;
    m_dev->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, D3DBLEND_ONE); // states are back to their defaults
    Surface* bb = nullptr;
    m_dev->GetBackBuffer(0, 0, &bb);
    SSurfaceDesc d;
    bb->GetDesc(&d);
    EXPECT_EQ(d.Width, 16u);
    bb->Release();
    // Managed textures survive and still draw.
    ShowTexture(m_dev);
    m_dev->SetTexture(0, managed);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    DrawRhwQuad(0, 0, 16, 16, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Frame()[5 * 16 + 5], 0xFF0000FF, 0));
    m_dev->SetTexture(0, nullptr);
}

TEST_F(CDeviceTest, LoaderThreadFillsTextureWithoutTouchingGl)
{
    Texture* t = nullptr;
    std::thread loader(
        [&]
        {
            // Create and fill on another thread, as the resource loaders do.
            if (m_dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t) != D3D_OK) return;
            SLockedRect lr;
            t->LockRect(0, &lr, nullptr, 0);
            for (int i = 0; i < 16; ++i)
                static_cast<std::uint32_t*>(lr.pBits)[i] = 0xFFFFFF00;
            t->UnlockRect(0);
        });
    loader.join();
    ASSERT_NE(t, nullptr);
    m_keep.push_back(t);
    ShowTexture(m_dev);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    m_dev->SetTexture(0, t);
    DrawRhwQuad(0, 0, kSize, kSize, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(3, 3), 0xFFFFFF00, 0));
    m_dev->SetTexture(0, nullptr);
}

} // namespace d3dtest
