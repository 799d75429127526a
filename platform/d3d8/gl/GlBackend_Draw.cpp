#include "platform/d3d8/gl/GlBackend.h"

#include <cstring>

#include "platform/d3d8/gl/GlBackendInternal.h"

#include <algorithm>

namespace plat::d3d::detail
{

using gl::g;

void CGlBackend::UploadBuffer(Buffer* b, unsigned target)
{
    std::lock_guard lock(b->m_mutex);
    if (!b->m_nGlName)
    {
        GLuint n = 0;
        g.GenBuffers(1, &n);
        b->m_nGlName = n;
    }
    g.BindBuffer(target, b->m_nGlName);
    if (b->m_bLocked) return; // drawing from a locked buffer uses what the GPU has
    if (b->m_nGlSize != b->m_cpu.size())
    {
        g.BufferData(target, GLsizeiptr(b->m_cpu.size()), b->m_cpu.data(),
                     (b->GetUsage() & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
        b->m_nGlSize = std::uint32_t(b->m_cpu.size());
    }
    else if (b->m_nDirtyEnd > b->m_nDirtyBegin)
    {
        const GLsizeiptr length = GLsizeiptr(b->m_nDirtyEnd - b->m_nDirtyBegin);
        void* mapped = nullptr;
        if (b->m_bDiscard) // orphan the old store so the GPU need not wait for it
            g.BufferData(target, GLsizeiptr(b->m_cpu.size()), b->m_cpu.data(), GL_DYNAMIC_DRAW);
        else if (b->m_bNoOverwrite &&
                 (mapped = g.MapBufferRange(target, b->m_nDirtyBegin, length,
                                            GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT |
                                                GL_MAP_INVALIDATE_RANGE_BIT)) != nullptr)
        {
            // Appended where no queued draw reads: a sub-data upload would
            // make the driver finish every queued draw of the buffer first
            // (llvmpipe does), once per appended piece.
            std::memcpy(mapped, b->m_cpu.data() + b->m_nDirtyBegin, std::size_t(length));
            g.UnmapBuffer(target);
        }
        else
            g.BufferSubData(target, b->m_nDirtyBegin, length, b->m_cpu.data() + b->m_nDirtyBegin);
    }
    b->m_nDirtyBegin = b->m_nDirtyEnd = 0;
    b->m_bDiscard = false;
    b->m_bNoOverwrite = true;
}

void CGlBackend::SetupStream(const SStateData& st, const SDrawSetup& setup)
{
    if (!m_bVaoBound || !m_bCache)
    {
        g.BindVertexArray(m_vao);
        m_bVaoBound = true;
    }
    Buffer* vb = st.stream;
    if (vb)
    {
        const std::uint32_t before = vb->m_nGlName;
        UploadBuffer(vb, GL_ARRAY_BUFFER);
        if (before != vb->m_nGlName) m_pLastStream = nullptr;
    }
    if (st.indices) UploadBuffer(st.indices, GL_ELEMENT_ARRAY_BUFFER);
    const unsigned vbName = vb ? vb->m_nGlName : 0;
    if (m_bCache && m_pLastStream == vb && m_nLastStride == st.stride && m_nLastFvf == setup.fvf &&
        m_nLastVs == setup.engineVs && m_nLastBufferName == vbName)
        return;
    m_pLastStream = vb;
    m_nLastStride = st.stride;
    m_nLastFvf = setup.fvf;
    m_nLastVs = setup.engineVs;
    m_nLastBufferName = vbName;
    bool on[14] = {};
    auto attrib = [&](int loc, int size, GLenum type, bool norm, std::uint32_t offset)
    {
        on[loc] = true;
        if (size == GL_BGRA)
            g.VertexAttribPointer(GLuint(loc), GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, GLsizei(st.stride),
                                  reinterpret_cast<const void*>(std::uintptr_t(offset)));
        else
            g.VertexAttribPointer(GLuint(loc), size, type, norm, GLsizei(st.stride),
                                  reinterpret_cast<const void*>(std::uintptr_t(offset)));
    };
    if (vb)
    {
        g.BindBuffer(GL_ARRAY_BUFFER, vbName);
        if (setup.engineVs == int(EEngineVertexShader::Water))
        {
            attrib(gl::kAttribPosition, 3, GL_FLOAT, false, 0);
            attrib(gl::kAttribWeights, 3, GL_FLOAT, false, 12);
            attrib(gl::kAttribNormal, 3, GL_FLOAT, false, 24);
            attrib(gl::kAttribDiffuse, GL_BGRA, 0, true, 36);
            attrib(gl::kAttribTex0, 2, GL_FLOAT, false, 40);
        }
        else if (setup.engineVs == int(EEngineVertexShader::MapHideColor))
        {
            attrib(gl::kAttribPosition, 3, GL_FLOAT, false, 0);
            attrib(gl::kAttribNormal, 3, GL_FLOAT, false, 12);
            attrib(gl::kAttribDiffuse, GL_BGRA, 0, true, 24);
        }
        else
        {
            const std::uint32_t fvf = setup.fvf;
            std::uint32_t off = 0;
            const std::uint32_t pos = fvf & D3DFVF_POSITION_MASK;
            if (pos == D3DFVF_XYZRHW)
            {
                attrib(gl::kAttribPosition, 4, GL_FLOAT, false, 0);
                off = 16;
            }
            else if (pos)
            {
                attrib(gl::kAttribPosition, 3, GL_FLOAT, false, 0);
                off = 12;
                const int betas = pos >= D3DFVF_XYZB1 ? int((pos - D3DFVF_XYZRHW) / 2) : 0;
                int weights = betas;
                if (weights && (fvf & D3DFVF_LASTBETA_UBYTE4)) --weights;
                if (weights) attrib(gl::kAttribWeights, std::min(weights, 4), GL_FLOAT, false, off);
                off += std::uint32_t(betas) * 4;
            }
            if (fvf & D3DFVF_NORMAL) attrib(gl::kAttribNormal, 3, GL_FLOAT, false, off), off += 12;
            if (fvf & D3DFVF_PSIZE) attrib(gl::kAttribPointSize, 1, GL_FLOAT, false, off), off += 4;
            if (fvf & D3DFVF_DIFFUSE) attrib(gl::kAttribDiffuse, GL_BGRA, 0, true, off), off += 4;
            if (fvf & D3DFVF_SPECULAR) attrib(gl::kAttribSpecular, GL_BGRA, 0, true, off), off += 4;
            const std::uint32_t sets = std::min<std::uint32_t>((fvf & D3DFVF_TEXCOUNT_MASK) >> 8, 8);
            for (std::uint32_t i = 0; i < sets; ++i)
            {
                const std::uint32_t code = (fvf >> (16 + 2 * i)) & 3;
                const int n = code == 0 ? 2 : code == 1 ? 3 : code == 2 ? 4 : 1;
                attrib(gl::kAttribTex0 + int(i), n, GL_FLOAT, false, off);
                off += std::uint32_t(n) * 4;
            }
        }
    }
    for (int i = 0; i < 14; ++i)
    {
        if (on[i])
            g.EnableVertexAttribArray(GLuint(i));
        else
        {
            g.DisableVertexAttribArray(GLuint(i));
            // Direct3D's values for a missing element: white diffuse, black
            // specular, texture coordinates 0.
            if (i == gl::kAttribDiffuse)
                g.VertexAttrib4f(GLuint(i), 1, 1, 1, 1);
            else if (i == gl::kAttribPointSize)
                g.VertexAttrib4f(GLuint(i), 1, 0, 0, 1);
            else
                g.VertexAttrib4f(GLuint(i), 0, 0, 0, i == gl::kAttribSpecular ? 0.0f : 1.0f);
        }
    }
}

void CGlBackend::BindTextures(const SStateData& st, std::uint32_t stages)
{
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        if (!(stages & (1u << s))) continue;
        EnsureTexture(st.textures[s]);
    }
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        if (!(stages & (1u << s))) continue;
        Texture* t = st.textures[s];
        if (m_bCache && m_boundNames[s] == t->m_nGlName) continue;
        g.ActiveTexture(GL_TEXTURE0 + s);
        g.BindTexture(GL_TEXTURE_2D, t->m_nGlName);
        m_boundNames[s] = t->m_nGlName;
    }
    g.ActiveTexture(GL_TEXTURE0);
}

void CGlBackend::Draw(const SStateData& st, const SDrawSetup& setup, std::uint32_t primitive,
                      std::uint32_t first, std::uint32_t vertexCount, bool indexed, std::uint32_t indexCount)
{
    if (!m_pColor) return;
    FlushGraveyard();
    BindTargetFbo();
    const std::uint32_t dirty = m_nDirty;
    m_nDirty = 0;
    if (dirty & kDirtyTransforms) ++m_versions[0];
    if (dirty & kDirtyLights) ++m_versions[1];
    if (dirty & kDirtyMaterial) ++m_versions[2];
    if (dirty & (kDirtyMisc | kDirtyTargets)) ++m_versions[3];
    if (dirty & kDirtyFactor) ++m_versions[4];
    if (dirty & (kDirtyMisc | kDirtyTargets))
    {
        // Sent only when it changed: a viewport change costs the software
        // rasterizer a flush.
        const SViewport& vp = st.viewport;
        if (!m_bViewportSent || !m_bCache || std::memcmp(&vp, &m_sentViewport, sizeof(vp)) != 0)
        {
            g.Viewport(GLint(vp.X), GLint(vp.Y), GLsizei(vp.Width), GLsizei(vp.Height));
            g.DepthRange(vp.MinZ, vp.MaxZ);
            m_sentViewport = vp;
            m_bViewportSent = true;
        }
    }
    // The key is built again only when something it reads may have changed:
    // a key state, the lights, the projection (table fog), the vertex set-up.
    const bool points = primitive == D3DPT_POINTLIST;
    if (!m_bStateKeyValid || !m_bCache || (dirty & (kDirtyKey | kDirtyLights | kDirtyTransforms)) ||
        points != m_bStateKeyPoints || setup.fvf != m_stateKeySetup.fvf ||
        setup.engineVs != m_stateKeySetup.engineVs || setup.enginePs != m_stateKeySetup.enginePs)
    {
        m_stateKey = BuildKey(st, setup, primitive, &m_stateInputs);
        m_stateKeySetup = setup;
        m_bStateKeyPoints = points;
        m_bStateKeyValid = true;
    }
    const gl::SProgramKey& key = m_stateKey;
    SProgram* p = m_pCurrent;
    if (!p || !(key == m_key) || !m_bCache)
    {
        p = GetProgram(key);
        if (!p) return;
        m_key = key;
        g.UseProgram(p->name);
        m_pCurrent = p;
    }
    // Pre-transformed vertices are never clipped by depth: Direct3D draws
    // them with z clamped to the depth range.
    if (m_nDepthClamp != int(key.rhw) || !m_bCache)
    {
        key.rhw ? g.Enable(GL_DEPTH_CLAMP) : g.Disable(GL_DEPTH_CLAMP);
        m_nDepthClamp = int(key.rhw);
    }
    UploadUniforms(*p, st, m_stateInputs);
    if (dirty & (kDirtyRaster | kDirtyTargets) || !m_bCache) ApplyRaster(st);
    if (dirty & kDirtySamplers || !m_bCache) ApplySamplers(st);
    BindTextures(st, std::uint32_t(m_stateInputs.draw[2]));
    SetupStream(st, setup);
    static const GLenum kModes[] = {GL_POINTS,    GL_POINTS,         GL_LINES,       GL_LINE_STRIP,
                                    GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN};
    const GLenum mode = kModes[std::min<std::uint32_t>(primitive, 6)];
    if (indexed)
    {
        const bool i32 = st.indices->GetFormat() == D3DFMT_INDEX32;
        g.DrawElementsBaseVertex(mode, GLsizei(indexCount), i32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                 reinterpret_cast<const void*>(std::uintptr_t(first) * (i32 ? 4 : 2)),
                                 GLint(st.baseVertex));
    }
    else
        g.DrawArrays(mode, GLint(first), GLsizei(vertexCount));
}

} // namespace plat::d3d::detail
