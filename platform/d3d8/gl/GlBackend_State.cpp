#include "platform/d3d8/gl/GlBackend.h"

#include "platform/d3d8/Format.h"
#include "platform/d3d8/gl/GlBackendInternal.h"

#include <algorithm>

namespace plat::d3d::detail
{

using gl::g;

namespace
{

GLenum BlendFactor(std::uint32_t b, bool src)
{
    switch (b)
    {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BOTHSRCALPHA:
        return src ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_BOTHINVSRCALPHA:
        return src ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    default:
        return src ? GL_ONE : GL_ZERO;
    }
}

GLenum CompareFunc(std::uint32_t c)
{
    switch (c)
    {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum StencilOp(std::uint32_t op)
{
    switch (op)
    {
    case 2:
        return GL_ZERO;
    case 3:
        return GL_REPLACE;
    case 4:
        return GL_INCR;
    case 5:
        return GL_DECR;
    case 6:
        return GL_INVERT;
    case 7:
        return GL_INCR_WRAP;
    case 8:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

GLenum AddressMode(std::uint32_t a)
{
    switch (a)
    {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE:
        return GL_CLAMP_TO_EDGE;
    default:
        return GL_REPEAT;
    }
}
} // namespace

void CGlBackend::ApplyRaster(const SStateData& st)
{
    const std::uint32_t* rs = st.rs;
    SRasterCache& c = *m_pRaster;
    const bool force = !m_bCache || !c.valid;
    const std::uint32_t blendEnable = rs[D3DRS_ALPHABLENDENABLE] != 0;
    if (force || blendEnable != c.blendEnable)
    {
        blendEnable ? g.Enable(GL_BLEND) : g.Disable(GL_BLEND);
        c.blendEnable = blendEnable;
    }
    if (force || rs[D3DRS_SRCBLEND] != c.src || rs[D3DRS_DESTBLEND] != c.dst)
    {
        g.BlendFunc(BlendFactor(rs[D3DRS_SRCBLEND], true), BlendFactor(rs[D3DRS_DESTBLEND], false));
        c.src = rs[D3DRS_SRCBLEND];
        c.dst = rs[D3DRS_DESTBLEND];
    }
    if (force || rs[D3DRS_BLENDOP] != c.op)
    {
        static const GLenum kOps[] = {GL_FUNC_ADD, GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT,
                                      GL_MIN,      GL_MAX};
        g.BlendEquation(kOps[rs[D3DRS_BLENDOP] <= 5 ? rs[D3DRS_BLENDOP] : 1]);
        c.op = rs[D3DRS_BLENDOP];
    }
    // Without a depth surface the depth test is off whatever ZENABLE says.
    const std::uint32_t zEnable = rs[D3DRS_ZENABLE] != D3DZB_FALSE && m_pDepth != nullptr;
    if (force || zEnable != c.zEnable)
    {
        zEnable ? g.Enable(GL_DEPTH_TEST) : g.Disable(GL_DEPTH_TEST);
        c.zEnable = zEnable;
    }
    if (force || rs[D3DRS_ZWRITEENABLE] != c.zWrite)
    {
        g.DepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
        c.zWrite = rs[D3DRS_ZWRITEENABLE];
    }
    if (force || rs[D3DRS_ZFUNC] != c.zFunc)
    {
        g.DepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
        c.zFunc = rs[D3DRS_ZFUNC];
    }
    if (force || rs[D3DRS_CULLMODE] != c.cull)
    {
        // Rows are stored top first, so a triangle Direct3D sees clockwise
        // is counter-clockwise to GL.
        if (rs[D3DRS_CULLMODE] == D3DCULL_NONE)
            g.Disable(GL_CULL_FACE);
        else
        {
            g.Enable(GL_CULL_FACE);
            g.CullFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
        }
        c.cull = rs[D3DRS_CULLMODE];
    }
    if (force || rs[D3DRS_FILLMODE] != c.fill)
    {
        g.PolygonMode(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                                         : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                                   : GL_FILL);
        c.fill = rs[D3DRS_FILLMODE];
    }
    // A target without alpha keeps 1 in its stored alpha (cleared so, never
    // written), so that blending by destination alpha reads 1.
    const bool targetAlpha = !m_pColor || GetFormatInfo(m_pColor->GetFormat()).alpha;
    const std::uint32_t colorMask = rs[D3DRS_COLORWRITEENABLE] & (targetAlpha ? 0xFu : 0x7u);
    if (force || colorMask != c.colorMask)
    {
        const std::uint32_t m = colorMask;
        g.ColorMask((m & 1) != 0, (m & 2) != 0, (m & 4) != 0, (m & 8) != 0);
        c.colorMask = m;
    }
    if (force || rs[D3DRS_ZBIAS] != c.zbias)
    {
        if (rs[D3DRS_ZBIAS])
        {
            g.Enable(GL_POLYGON_OFFSET_FILL);
            g.PolygonOffset(0.0f, -float(rs[D3DRS_ZBIAS]));
        }
        else
            g.Disable(GL_POLYGON_OFFSET_FILL);
        c.zbias = rs[D3DRS_ZBIAS];
    }
    const std::uint32_t stencil = rs[D3DRS_STENCILENABLE] != 0;
    if (force || stencil != c.stencilEnable || rs[D3DRS_STENCILFUNC] != c.stencilFunc ||
        rs[D3DRS_STENCILREF] != c.stencilRef || rs[D3DRS_STENCILMASK] != c.stencilMask ||
        rs[D3DRS_STENCILWRITEMASK] != c.stencilWrite || rs[D3DRS_STENCILFAIL] != c.sFail ||
        rs[D3DRS_STENCILZFAIL] != c.sZFail || rs[D3DRS_STENCILPASS] != c.sPass)
    {
        stencil ? g.Enable(GL_STENCIL_TEST) : g.Disable(GL_STENCIL_TEST);
        g.StencilFunc(CompareFunc(rs[D3DRS_STENCILFUNC]), GLint(rs[D3DRS_STENCILREF]), rs[D3DRS_STENCILMASK]);
        g.StencilMask(rs[D3DRS_STENCILWRITEMASK]);
        g.StencilOp(StencilOp(rs[D3DRS_STENCILFAIL]), StencilOp(rs[D3DRS_STENCILZFAIL]),
                    StencilOp(rs[D3DRS_STENCILPASS]));
        c.stencilEnable = stencil;
        c.stencilFunc = rs[D3DRS_STENCILFUNC];
        c.stencilRef = rs[D3DRS_STENCILREF];
        c.stencilMask = rs[D3DRS_STENCILMASK];
        c.stencilWrite = rs[D3DRS_STENCILWRITEMASK];
        c.sFail = rs[D3DRS_STENCILFAIL];
        c.sZFail = rs[D3DRS_STENCILZFAIL];
        c.sPass = rs[D3DRS_STENCILPASS];
    }
    const std::uint32_t clip = rs[D3DRS_CLIPPLANEENABLE] & 0x3F;
    if (force || clip != c.clipMask)
    {
        for (int i = 0; i < 6; ++i)
            (clip & (1u << i)) ? g.Enable(GL_CLIP_DISTANCE0 + i) : g.Disable(GL_CLIP_DISTANCE0 + i);
        c.clipMask = clip;
    }
    c.valid = true;
}

void CGlBackend::ApplySamplers(const SStateData& st)
{
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        const std::uint32_t* t = st.tss[s];
        const GLuint sm = m_samplers[s];
        g.SamplerParameteri(sm, GL_TEXTURE_WRAP_S, GLint(AddressMode(t[D3DTSS_ADDRESSU])));
        g.SamplerParameteri(sm, GL_TEXTURE_WRAP_T, GLint(AddressMode(t[D3DTSS_ADDRESSV])));
        float border[4];
        ColorToFloats(t[D3DTSS_BORDERCOLOR], border);
        g.SamplerParameterfv(sm, GL_TEXTURE_BORDER_COLOR, border);
        const std::uint32_t mag = t[D3DTSS_MAGFILTER], min = t[D3DTSS_MINFILTER], mip = t[D3DTSS_MIPFILTER];
        g.SamplerParameteri(sm, GL_TEXTURE_MAG_FILTER, mag == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
        GLenum minf;
        const bool minLinear = min >= D3DTEXF_LINEAR;
        if (mip == D3DTEXF_NONE)
            minf = minLinear ? GL_LINEAR : GL_NEAREST;
        else if (mip == D3DTEXF_POINT)
            minf = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        else
            minf = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        g.SamplerParameteri(sm, GL_TEXTURE_MIN_FILTER, GLint(minf));
        const bool aniso = min == D3DTEXF_ANISOTROPIC || mag == D3DTEXF_ANISOTROPIC;
        g.SamplerParameterf(sm, gl::kTextureMaxAnisotropy,
                            aniso ? float(std::clamp<std::uint32_t>(t[D3DTSS_MAXANISOTROPY], 1, 16)) : 1.0f);
        g.SamplerParameterf(sm, GL_TEXTURE_LOD_BIAS, AsFloat(t[D3DTSS_MIPMAPLODBIAS]));
        g.SamplerParameterf(sm, GL_TEXTURE_MIN_LOD, float(t[D3DTSS_MAXMIPLEVEL]));
        g.BindSampler(s, sm);
    }
}

} // namespace plat::d3d::detail
