#include "platform/d3d8/gl/GlBackend.h"

#include "platform/d3d8/DeviceCore.h"
#include "platform/d3d8/gl/GlBackendInternal.h"

#include <SDL2/SDL.h>
#include <malloc.h>

#include <cstring>

namespace plat::d3d::detail
{

using gl::g;

namespace
{

// Mesa's software rasterizer allocates the memory of a frame's binned
// triangles as it draws and frees it when the frame is done. With glibc's
// defaults that memory goes back to the system each time and comes back as
// fresh pages, a page fault per 4 KB, which costs more than the drawing
// itself (a draw benchmark runs several times slower). On that renderer the
// process keeps freed memory up to a bound instead.
void KeepHeapForSoftwareRasterizer()
{
    const char* renderer = reinterpret_cast<const char*>(g.GetString(GL_RENDERER));
    if (!renderer || (!std::strstr(renderer, "llvmpipe") && !std::strstr(renderer, "softpipe"))) return;
    static const bool s_done = []
    {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
        return true;
    }();
    (void)s_done;
}

} // namespace

CGlBackend::CGlBackend(std::shared_ptr<SDeviceCore> core)
    : m_pCore(std::move(core)), m_pRaster(new SRasterCache)
{
}

CGlBackend::~CGlBackend()
{
    if (!m_context) return;
    SDL_GL_MakeCurrent(m_pWindow, m_context);
    FlushGraveyard();
    for (auto& [key, p] : m_programs)
        g.DeleteProgram(p->name);
    g.DeleteSamplers(kMaxStages, m_samplers);
    g.DeleteVertexArrays(1, &m_vao);
    g.DeleteVertexArrays(1, &m_emptyVao);
    g.DeleteFramebuffers(1, &m_fbo);
    g.DeleteProgram(m_presentProgram);
    g.DeleteTextures(1, &m_gammaTexture);
    g.DeleteTextures(1, &m_frontTexture);
    g.DeleteFramebuffers(1, &m_frontFbo);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
}

bool CGlBackend::Init(SDL_Window* window, std::string* error)
{
    m_pWindow = window;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    m_context = SDL_GL_CreateContext(window);
    if (!m_context)
    {
        *error = std::string("no OpenGL 3.3 core context: ") + SDL_GetError();
        return false;
    }
    SDL_GL_MakeCurrent(window, m_context);
    const char* missing = nullptr;
    if (!gl::LoadGlApi(&missing))
    {
        *error = std::string("OpenGL entry point missing: ") + (missing ? missing : "?");
        return false;
    }
    KeepHeapForSoftwareRasterizer();
    g.GenSamplers(kMaxStages, m_samplers);
    g.GenVertexArrays(1, &m_vao);
    g.GenVertexArrays(1, &m_emptyVao);
    g.GenFramebuffers(1, &m_fbo);
    g.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    g.PixelStorei(GL_PACK_ALIGNMENT, 1);
    g.Enable(GL_PROGRAM_POINT_SIZE);
    // Rows are stored top first, so the sprite's top is the lower GL row.
    g.PointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    g.FrontFace(GL_CCW);
    return InitPresent(error);
}

void CGlBackend::SetSwapInterval(bool vsync)
{
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);
}

void CGlBackend::WaitIdle()
{
    g.Finish();
}

void CGlBackend::SetCacheEnabled(bool enabled)
{
    m_bCache = enabled;
    m_pRaster->valid = false;
    m_nDirty = kDirtyAll;
}

void CGlBackend::FlushGraveyard()
{
    if (!m_pCore->buried.load(std::memory_order_acquire)) return; // checked on every draw
    std::vector<std::pair<EGlKind, std::uint32_t>> dead;
    {
        std::lock_guard lock(m_pCore->mutex);
        dead.swap(m_pCore->graveyard);
        m_pCore->buried.store(false, std::memory_order_relaxed);
    }
    for (auto [kind, name] : dead)
    {
        GLuint n = name;
        if (kind == EGlKind::Texture)
        {
            g.DeleteTextures(1, &n);
            for (auto& t : m_boundNames)
                if (t == name) t = 0;
        }
        else if (kind == EGlKind::Buffer)
        {
            g.DeleteBuffers(1, &n);
            if (m_nLastBufferName == name) m_nLastBufferName = 0, m_pLastStream = nullptr;
            if (m_nLastIndexName == name) m_nLastIndexName = 0;
        }
        else
            g.DeleteRenderbuffers(1, &n);
    }
}

} // namespace plat::d3d::detail
