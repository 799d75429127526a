#include "platform/d3d8/gl/GlBackend.h"

#include "platform/d3d8/gl/GlBackendInternal.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace plat::d3d::detail
{

using gl::g;

namespace
{

const char* kPresentFs = R"(#version 330 core
in vec2 vUv;
uniform sampler2D uImage;
uniform sampler2D uRamp;
out vec4 oColor;
void main()
{
    vec4 c = texture(uImage, vec2(vUv.x, 1.0 - vUv.y)); // keep rows top first
    ivec3 i = ivec3(clamp(c.rgb, 0.0, 1.0) * 255.0 + 0.5);
    oColor = vec4(texelFetch(uRamp, ivec2(i.r, 0), 0).r, texelFetch(uRamp, ivec2(i.g, 0), 0).g,
                  texelFetch(uRamp, ivec2(i.b, 0), 0).b, 1.0);
}
)";

// A ramp that maps every 8-bit value to itself once the pass rounds its
// 16-bit entries to the 8-bit front buffer.
bool IsIdentityRamp(const SGammaRamp& ramp)
{
    for (int i = 0; i < 256; ++i)
        for (const std::uint16_t* channel : {ramp.red, ramp.green, ramp.blue})
            if ((std::uint32_t(channel[i]) * 255u + 32767u) / 65535u != std::uint32_t(i)) return false;
    return true;
}

} // namespace

bool CGlBackend::InitPresent(std::string* error)
{
    std::string log;
    m_presentProgram = CompileProgram(plat::d3d::gl::kFullScreenVertexShader, kPresentFs, &log);
    if (!m_presentProgram)
    {
        *error = "present program: " + log;
        return false;
    }
    g.GenTextures(1, &m_gammaTexture);
    g.BindTexture(GL_TEXTURE_2D, m_gammaTexture);
    g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16, 256, 1, 0, GL_RGBA, GL_UNSIGNED_SHORT, nullptr);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    g.GenTextures(1, &m_frontTexture);
    g.GenFramebuffers(1, &m_frontFbo);
    return true;
}

void CGlBackend::Present(Surface* back, const SGammaRamp& ramp, bool backBufferFree)
{
    FlushGraveyard();
    int w = 0, h = 0;
    FrontBufferSize(&w, &h);
    // Blits and the gamma pass write every channel.
    g.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (w != m_nFrontWidth || h != m_nFrontHeight)
    {
        g.BindTexture(GL_TEXTURE_2D, m_frontTexture);
        m_boundNames[0] = 0;
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        // As a colour surface's storage: the two may trade places.
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        g.BindFramebuffer(GL_FRAMEBUFFER, m_frontFbo);
        g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_frontTexture, 0);
        g.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        g.Clear(GL_COLOR_BUFFER_BIT);
        m_nFrontWidth = w;
        m_nFrontHeight = h;
    }
    SGlSurface* backGl = back ? back->m_pGl.get() : nullptr;
    const GLuint backTexture = backGl ? backGl->texture : 0;
    const bool identity = IsIdentityRamp(ramp);
    if (identity && backTexture && backBufferFree && back->Width() == std::uint32_t(w) &&
        back->Height() == std::uint32_t(h))
    {
        // Nothing to compute and the back buffer's contents are free: its
        // storage becomes the front buffer and the old front the next back
        // buffer. The target binding is made again at the next draw.
        std::swap(backGl->texture, m_frontTexture);
    }
    else if (identity && backTexture)
    {
        g.BindFramebuffer(GL_READ_FRAMEBUFFER, m_fbo);
        g.FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backTexture, 0);
        g.BindFramebuffer(GL_DRAW_FRAMEBUFFER, m_frontFbo);
        g.FramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_frontTexture, 0);
        g.BlitFramebuffer(0, 0, GLint(back->Width()), GLint(back->Height()), 0, 0, w, h, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
    }
    else
        GammaPass(backTexture, ramp, w, h);
    // Front rows run top first; the window's bottom first.
    g.BindFramebuffer(GL_READ_FRAMEBUFFER, m_frontFbo);
    g.FramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_frontTexture, 0);
    g.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    g.BlitFramebuffer(0, 0, w, h, 0, h, w, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    g.BindFramebuffer(GL_FRAMEBUFFER, 0);
    SDL_GL_SwapWindow(m_pWindow);
    // The framebuffer binding and the colour mask bypassed the caches.
    m_bTargetsBound = false;
    m_pRaster->colorMask = ~0u;
    m_nDirty |= kDirtyRaster;
}

void CGlBackend::GammaPass(unsigned backTexture, const SGammaRamp& ramp, int w, int h)
{
    g.BindFramebuffer(GL_FRAMEBUFFER, m_frontFbo);
    g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_frontTexture, 0);
    g.Viewport(0, 0, w, h);
    m_bViewportSent = false;
    g.Disable(GL_BLEND);
    g.Disable(GL_DEPTH_TEST);
    g.Disable(GL_CULL_FACE);
    g.Disable(GL_STENCIL_TEST);
    g.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    g.ActiveTexture(GL_TEXTURE1);
    g.BindTexture(GL_TEXTURE_2D, m_gammaTexture);
    if (!m_bRampUploaded || std::memcmp(&m_uploadedRamp, &ramp, sizeof(ramp)) != 0)
    {
        std::uint16_t lut[256 * 4];
        for (int i = 0; i < 256; ++i)
        {
            lut[i * 4 + 0] = ramp.red[i];
            lut[i * 4 + 1] = ramp.green[i];
            lut[i * 4 + 2] = ramp.blue[i];
            lut[i * 4 + 3] = 65535;
        }
        g.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGBA, GL_UNSIGNED_SHORT, lut);
        m_uploadedRamp = ramp;
        m_bRampUploaded = true;
    }
    g.BindSampler(1, 0);
    g.ActiveTexture(GL_TEXTURE0);
    g.BindTexture(GL_TEXTURE_2D, backTexture);
    g.BindSampler(0, 0);
    g.UseProgram(m_presentProgram);
    g.Uniform1i(g.GetUniformLocation(m_presentProgram, "uImage"), 0);
    g.Uniform1i(g.GetUniformLocation(m_presentProgram, "uRamp"), 1);
    g.BindVertexArray(m_emptyVao);
    m_bVaoBound = false;
    g.DrawArrays(GL_TRIANGLES, 0, 3);
    // Everything here bypassed the caches.
    m_pCurrent = nullptr;
    m_pRaster->valid = false;
    for (auto& t : m_boundNames)
        t = 0;
    m_pLastStream = nullptr;
    m_nDirty = kDirtyAll;
}

void CGlBackend::FrontBufferSize(int* width, int* height) const
{
    *width = *height = 0;
    SDL_GL_GetDrawableSize(m_pWindow, width, height);
    *width = std::max(*width, 1);
    *height = std::max(*height, 1);
}

void CGlBackend::ReadFrontBuffer(std::uint8_t* dst, std::size_t pitch, int width, int height)
{
    const std::size_t row = std::size_t(width) * 4;
    if (width != m_nFrontWidth || height != m_nFrontHeight)
    {
        // Nothing presented at this size yet: the screen is black.
        for (int y = 0; y < height; ++y)
            for (std::size_t x = 0; x < row; x += 4)
            {
                const std::uint32_t black = 0xFF000000u;
                std::memcpy(dst + std::size_t(y) * pitch + x, &black, 4);
            }
        return;
    }
    std::vector<std::uint8_t> pixels(row * std::size_t(height));
    g.BindFramebuffer(GL_FRAMEBUFFER, m_frontFbo);
    g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_frontTexture, 0);
    g.ReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    g.BindFramebuffer(GL_FRAMEBUFFER, 0);
    m_bTargetsBound = false;
    for (int y = 0; y < height; ++y)
    {
        std::uint8_t* out = dst + std::size_t(y) * pitch;
        std::memcpy(out, &pixels[std::size_t(y) * row], row);
        for (std::size_t x = 3; x < row; x += 4)
            out[x] = 0xFF;
    }
}

} // namespace plat::d3d::detail
