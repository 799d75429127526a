#include "platform/d3d8/gl/GlBackend.h"

#include "platform/d3d8/Format.h"
#include "platform/d3d8/gl/GlBackendInternal.h"

#include <algorithm>
#include <vector>

namespace plat::d3d::detail
{

using gl::g;

namespace
{

struct SGlFormat
{
    GLint internal;
    GLenum format, type;
    GLint swizzle[4];
    bool compressed;
    bool floatBump; // converted to float (du, dv, l, 1) on upload
};

SGlFormat GlFormat(Format f)
{
    const GLint rgba[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    SGlFormat r{GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {rgba[0], rgba[1], rgba[2], rgba[3]},
                false,    false};
    switch (f)
    {
    case D3DFMT_X8R8G8B8:
        r.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_R8G8B8:
        r = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, false, false};
        break;
    case D3DFMT_R5G6B5:
        r = {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, false, false};
        break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        r = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA},
             false,      false};
        if (f == D3DFMT_X1R5G5B5) r.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        r = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA},
             false,    false};
        if (f == D3DFMT_X4R4G4B4) r.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_A8:
        r = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}, false, false};
        break;
    case D3DFMT_L8:
        r = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}, false, false};
        break;
    case D3DFMT_A8L8:
        r = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}, false, false};
        break;
    case D3DFMT_DXT1:
        r = {gl::kCompressedDxt1, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, true, false};
        break;
    case D3DFMT_DXT3:
        r = {gl::kCompressedDxt3, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, true, false};
        break;
    case D3DFMT_DXT5:
        r = {gl::kCompressedDxt5, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, true, false};
        break;
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
        r = {GL_RGBA32F, GL_RGBA, GL_FLOAT, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, false, true};
        break;
    default:
        break;
    }
    return r;
}

// Signed bump texels to floats (du, dv, luminance, 1).
void BumpToFloat(Format f, const std::uint8_t* src, std::uint32_t w, std::uint32_t h, std::vector<float>& out)
{
    out.resize(std::size_t(w) * h * 4);
    const std::uint32_t bpp = GetFormatInfo(f).bytes;
    for (std::uint32_t i = 0; i < w * h; ++i)
    {
        const std::uint8_t* p = src + std::size_t(i) * bpp;
        float du = 0, dv = 0, l = 1, q = 1;
        if (f == D3DFMT_V8U8 || f == D3DFMT_X8L8V8U8 || f == D3DFMT_Q8W8V8U8)
        {
            du = std::max(-1.0f, float(std::int8_t(p[0])) / 127.0f);
            dv = std::max(-1.0f, float(std::int8_t(p[1])) / 127.0f);
            if (f == D3DFMT_X8L8V8U8) l = float(p[2]) / 255.0f;
            if (f == D3DFMT_Q8W8V8U8)
                l = float(std::int8_t(p[2])) / 127.0f, q = float(std::int8_t(p[3])) / 127.0f;
        }
        else
        {
            const std::uint32_t v = std::uint32_t(p[0] | p[1] << 8);
            auto s5 = [](std::uint32_t x) { return int((x ^ 16u) - 16u); };
            du = std::max(-1.0f, float(s5(v & 31)) / 15.0f);
            dv = std::max(-1.0f, float(s5((v >> 5) & 31)) / 15.0f);
            l = float((v >> 10) & 63) / 63.0f;
        }
        out[i * 4 + 0] = du;
        out[i * 4 + 1] = dv;
        out[i * 4 + 2] = l;
        out[i * 4 + 3] = q;
    }
}
} // namespace

void CGlBackend::CreateSurfaceStorage(Surface* s)
{
    if (!s->m_pGl) s->m_pGl = std::make_unique<SGlSurface>();
    SGlSurface& gs = *s->m_pGl;
    const SFormatInfo info = GetFormatInfo(s->GetFormat());
    if (info.depth)
    {
        g.GenRenderbuffers(1, &gs.renderbuffer);
        g.BindRenderbuffer(GL_RENDERBUFFER, gs.renderbuffer);
        const bool stencil = s->GetFormat() == D3DFMT_D24S8 || s->GetFormat() == D3DFMT_D24X4S4 ||
                             s->GetFormat() == D3DFMT_D15S1;
        g.RenderbufferStorage(GL_RENDERBUFFER,
                              stencil ? GL_DEPTH24_STENCIL8
                              : (s->GetFormat() == D3DFMT_D16 || s->GetFormat() == D3DFMT_D16_LOCKABLE)
                                  ? GL_DEPTH_COMPONENT16
                                  : GL_DEPTH_COMPONENT24,
                              GLsizei(s->Width()), GLsizei(s->Height()));
    }
    else
    {
        g.GenTextures(1, &gs.texture);
        g.BindTexture(GL_TEXTURE_2D, gs.texture);
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(s->Width()), GLsizei(s->Height()), 0, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        if (!info.alpha)
        {
            // The stored alpha of a target without alpha starts (and stays) 1.
            g.BindFramebuffer(GL_FRAMEBUFFER, m_fbo);
            g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gs.texture, 0);
            g.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
            g.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            g.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            g.Clear(GL_COLOR_BUFFER_BIT);
            m_bTargetsBound = false;
            m_pRaster->valid = false;
        }
    }
    for (auto& t : m_boundNames)
        t = 0;
}

void CGlBackend::EnsureTexture(Texture* t)
{
    std::lock_guard lock(t->m_mutex);
    const bool renderTarget = (t->GetUsage() & D3DUSAGE_RENDERTARGET) != 0;
    const SGlFormat f = GlFormat(t->GetFormat());
    if (!t->m_nGlName)
    {
        GLuint name = 0;
        g.GenTextures(1, &name);
        t->m_nGlName = name;
        // Uploads go through unit 0, which then no longer holds what the
        // bind cache says.
        g.ActiveTexture(GL_TEXTURE0);
        m_boundNames[0] = 0;
        g.BindTexture(GL_TEXTURE_2D, name);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(t->GetLevelCount() - 1));
        g.TexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, f.swizzle);
        if (renderTarget)
        {
            for (std::uint32_t l = 0; l < t->GetLevelCount(); ++l)
            {
                Surface* s = t->LevelSurface(l);
                g.TexImage2D(GL_TEXTURE_2D, GLint(l), GL_RGBA8, GLsizei(s->Width()), GLsizei(s->Height()), 0,
                             GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
            }
            t->m_nUploaded = t->m_nVersion;
        }
    }
    if (t->m_nUploaded == t->m_nVersion || renderTarget) return;
    g.ActiveTexture(GL_TEXTURE0);
    m_boundNames[0] = 0;
    g.BindTexture(GL_TEXTURE_2D, t->m_nGlName);
    for (auto& b : m_boundNames)
        if (b == t->m_nGlName) b = 0;
    std::vector<float> floats;
    for (std::uint32_t l = 0; l < t->GetLevelCount(); ++l)
    {
        Surface* s = t->LevelSurface(l);
        const auto& cpu = s->Cpu();
        if (f.compressed)
            g.CompressedTexImage2D(GL_TEXTURE_2D, GLint(l), GLenum(f.internal), GLsizei(s->Width()),
                                   GLsizei(s->Height()), 0, GLsizei(cpu.size()), cpu.data());
        else if (f.floatBump)
        {
            BumpToFloat(t->GetFormat(), cpu.data(), s->Width(), s->Height(), floats);
            g.TexImage2D(GL_TEXTURE_2D, GLint(l), f.internal, GLsizei(s->Width()), GLsizei(s->Height()), 0,
                         f.format, f.type, floats.data());
        }
        else
            g.TexImage2D(GL_TEXTURE_2D, GLint(l), f.internal, GLsizei(s->Width()), GLsizei(s->Height()), 0,
                         f.format, f.type, cpu.data());
    }
    t->m_nUploaded = t->m_nVersion;
}

bool CGlBackend::ReadSurface(Surface* s, const Rect& r, std::uint8_t* dst, std::size_t pitch)
{
    GLuint tex = 0;
    GLint level = 0;
    if (s->m_pGl && s->m_pGl->texture)
        tex = s->m_pGl->texture;
    else if (s->GetContainer() && s->GetContainer()->m_nGlName)
        tex = s->GetContainer()->m_nGlName, level = GLint(s->Level());
    if (!tex) return false;
    g.BindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, level);
    g.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    const std::uint32_t w = std::uint32_t(r.right - r.left), h = std::uint32_t(r.bottom - r.top);
    std::vector<std::uint32_t> argb(std::size_t(w) * h);
    g.ReadPixels(r.left, r.top, GLsizei(w), GLsizei(h), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
    m_bTargetsBound = false;
    const Format fmt = s->GetFormat();
    if (fmt == D3DFMT_X8R8G8B8 || fmt == D3DFMT_R5G6B5 || fmt == D3DFMT_X1R5G5B5 || fmt == D3DFMT_R8G8B8)
        for (auto& p : argb)
            p |= 0xFF000000u;
    return EncodeFromArgb(fmt, argb.data(), w, h, dst, pitch);
}

bool CGlBackend::WriteSurface(Surface* s, const std::uint8_t* src, std::size_t pitch)
{
    if (!s->m_pGl || !s->m_pGl->texture) return false;
    std::vector<std::uint32_t> argb(std::size_t(s->Width()) * s->Height());
    if (!DecodeToArgb(s->GetFormat(), src, pitch, s->Width(), s->Height(), argb.data())) return false;
    g.BindTexture(GL_TEXTURE_2D, s->m_pGl->texture);
    g.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(s->Width()), GLsizei(s->Height()), GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
    for (auto& t : m_boundNames)
        t = 0;
    return true;
}

void CGlBackend::SetTargets(Surface* color, Surface* depth)
{
    m_pColor = color;
    m_pDepth = depth;
    m_bTargetsBound = false;
    m_pRaster->valid = false;
}

void CGlBackend::BindTargetFbo()
{
    // Whatever binds another framebuffer clears m_bTargetsBound.
    if (m_bTargetsBound) return;
    g.BindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    GLuint tex = 0;
    GLint level = 0;
    if (m_pColor)
    {
        if (m_pColor->m_pGl && m_pColor->m_pGl->texture)
            tex = m_pColor->m_pGl->texture;
        else if (Texture* c = m_pColor->GetContainer())
        {
            EnsureTexture(c);
            tex = c->m_nGlName;
            level = GLint(m_pColor->Level());
        }
    }
    g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, level);
    GLuint rb = m_pDepth && m_pDepth->m_pGl ? m_pDepth->m_pGl->renderbuffer : 0;
    const bool stencil =
        m_pDepth && (m_pDepth->GetFormat() == D3DFMT_D24S8 || m_pDepth->GetFormat() == D3DFMT_D24X4S4 ||
                     m_pDepth->GetFormat() == D3DFMT_D15S1);
    g.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    if (rb)
        g.FramebufferRenderbuffer(GL_FRAMEBUFFER, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, rb);
    m_bTargetsBound = true;
    // A texture that is now a target must not stay bound for sampling.
    for (auto& t : m_boundNames)
        t = 0;
}

void CGlBackend::Clear(const SStateData& st, std::uint32_t count, const SRect* rects, std::uint32_t flags,
                       Color color, float z, std::uint32_t stencil)
{
    FlushGraveyard();
    BindTargetFbo();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET)
    {
        float c[4];
        ColorToFloats(color, c);
        if (m_pColor && !GetFormatInfo(m_pColor->GetFormat()).alpha) c[3] = 1.0f; // see ApplyRaster
        g.ClearColor(c[0], c[1], c[2], c[3]);
        g.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) && m_pDepth)
    {
        g.ClearDepth(z);
        g.DepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_STENCIL) && m_pDepth)
    {
        g.ClearStencil(GLint(stencil));
        g.StencilMask(0xFFFFFFFFu);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    // Direct3D clears the viewport, or the given rectangles inside it.
    const SViewport& vp = st.viewport;
    Surface* sized = m_pColor ? m_pColor : m_pDepth;
    const std::int32_t width = sized ? std::int32_t(sized->Width()) : 0;
    const std::int32_t height = sized ? std::int32_t(sized->Height()) : 0;
    auto clearRect = [&](std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
    {
        x1 = std::max<std::int32_t>(x1, std::int32_t(vp.X));
        y1 = std::max<std::int32_t>(y1, std::int32_t(vp.Y));
        x2 = std::min<std::int32_t>(x2, std::int32_t(vp.X + vp.Width));
        y2 = std::min<std::int32_t>(y2, std::int32_t(vp.Y + vp.Height));
        if (x2 <= x1 || y2 <= y1) return;
        // A clear of the whole target goes without the scissor, which the
        // software rasterizer clears far faster.
        const bool whole = x1 <= 0 && y1 <= 0 && x2 >= width && y2 >= height;
        if (whole)
            g.Disable(GL_SCISSOR_TEST);
        else
        {
            g.Enable(GL_SCISSOR_TEST);
            g.Scissor(x1, y1, x2 - x1, y2 - y1);
        }
        g.Clear(mask);
    };
    // No list clears the whole viewport whatever the count; a list clears
    // its first count rectangles, so a count of 0 clears nothing.
    if (!rects)
        clearRect(0, 0, 0x7FFFFFFF, 0x7FFFFFFF);
    else
        for (std::uint32_t i = 0; i < count; ++i)
            clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    g.Disable(GL_SCISSOR_TEST);
    // The masks were changed for the clear: the next draw sends them again.
    m_pRaster->valid = false;
    m_nDirty |= kDirtyRaster;
}

} // namespace plat::d3d::detail
