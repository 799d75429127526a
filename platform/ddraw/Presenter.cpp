#include "platform/ddraw/Presenter.h"

#include "platform/Debug.h"
#include "platform/d3d8/gl/GlApi.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace plat::ddraw
{

using d3d::gl::g;

namespace
{

const char* kFs = R"(#version 330 core
in vec2 vUv;
uniform sampler2D uImage;
out vec4 oColor;
void main()
{
    oColor = vec4(texture(uImage, vUv).rgb, 1.0);
}
)";

// Makes a context current for the length of a scope and puts back the one
// that was current before.
class CCurrent
{
public:
    CCurrent(SDL_Window* window, void* context)
        : m_pWindow(SDL_GL_GetCurrentWindow()), m_context(SDL_GL_GetCurrentContext())
    {
        SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context));
    }
    ~CCurrent()
    {
        if (m_context) SDL_GL_MakeCurrent(m_pWindow, m_context);
    }

private:
    SDL_Window* m_pWindow;
    SDL_GLContext m_context;
};

GLuint Compile(GLenum type, const char* src)
{
    const GLuint s = g.CreateShader(type);
    g.ShaderSource(s, 1, &src, nullptr);
    g.CompileShader(s);
    GLint ok = 0;
    g.GetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok)
    {
        g.DeleteShader(s);
        return 0;
    }
    return s;
}

} // namespace

CPresenter::CPresenter(SDL_Window* window) : m_pWindow(window) {}

CPresenter::SPlace CPresenter::Place(std::uint32_t width, std::uint32_t height, int w, int h) const
{
    if (!m_bLogical || width == 0 || height == 0) return SPlace{0, 0, w, h};
    // A mode the display does not have leaves a larger screen: the mode's
    // picture keeps its size in the middle of it.
    int pw = int(width), ph = int(height);
    if (pw > w || ph > h)
    {
        const float k = std::min(float(w) / float(pw), float(h) / float(ph));
        pw = std::max(1, int(float(pw) * k));
        ph = std::max(1, int(float(ph) * k));
    }
    return SPlace{(w - pw) / 2, (h - ph) / 2, pw, ph};
}

CPresenter::~CPresenter()
{
    if (!m_context) return;
    {
        CCurrent current(m_pWindow, m_context);
        g.DeleteProgram(m_program);
        g.DeleteTextures(1, &m_texture);
        g.DeleteVertexArrays(1, &m_vao);
    }
    // Deleting a current context leaves none current; CCurrent above has
    // already put the caller's back.
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
}

bool CPresenter::InitGl()
{
    m_bTriedGl = true;
    if (!(SDL_GetWindowFlags(m_pWindow) & SDL_WINDOW_OPENGL)) return false;
    SDL_Window* oldWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext oldContext = SDL_GL_GetCurrentContext();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(m_pWindow);
    if (!context)
    {
        plat::OutputDebugString(
            (std::string("DirectDraw: no GL context, drawing through SDL: ") + SDL_GetError() + "\n")
                .c_str());
        if (oldContext) SDL_GL_MakeCurrent(oldWindow, oldContext);
        return false;
    }
    m_context = context;
    bool ok = d3d::gl::LoadGlApi(nullptr);
    if (ok)
    {
        SDL_GL_SetSwapInterval(0);
        const GLuint vs = Compile(GL_VERTEX_SHADER, d3d::gl::kFullScreenVertexShader),
                     fs = Compile(GL_FRAGMENT_SHADER, kFs);
        ok = vs && fs;
        if (ok)
        {
            m_program = g.CreateProgram();
            g.AttachShader(m_program, vs);
            g.AttachShader(m_program, fs);
            g.BindFragDataLocation(m_program, 0, "oColor");
            g.LinkProgram(m_program);
            GLint linked = 0;
            g.GetProgramiv(m_program, GL_LINK_STATUS, &linked);
            ok = linked != 0;
        }
        if (vs) g.DeleteShader(vs);
        if (fs) g.DeleteShader(fs);
        g.GenTextures(1, &m_texture);
        g.GenVertexArrays(1, &m_vao);
    }
    if (oldContext) SDL_GL_MakeCurrent(oldWindow, oldContext);
    if (!ok)
    {
        plat::OutputDebugString("DirectDraw: GL set-up failed, drawing through SDL\n");
        SDL_GL_DeleteContext(context);
        m_context = nullptr;
        m_program = m_texture = m_vao = 0;
    }
    return ok;
}

bool CPresenter::Show(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                      std::uint32_t bits, std::vector<std::uint32_t>* readBack, int* readWidth,
                      int* readHeight)
{
    if (!m_bTriedGl) InitGl();
    if (m_context) return ShowGl(pixels, width, height, bits, readBack, readWidth, readHeight);
    return ShowSurface(pixels, width, height, bits, readBack, readWidth, readHeight);
}

bool CPresenter::ShowGl(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                        std::uint32_t bits, std::vector<std::uint32_t>* readBack, int* readWidth,
                        int* readHeight)
{
    CCurrent current(m_pWindow, m_context);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(m_pWindow, &w, &h);
    g.BindFramebuffer(GL_FRAMEBUFFER, 0);
    g.Disable(GL_BLEND);
    g.Disable(GL_DEPTH_TEST);
    g.Disable(GL_CULL_FACE);
    g.Disable(GL_SCISSOR_TEST);
    const SPlace place = Place(width, height, w, h);
    if (place.w != w || place.h != h)
    {
        g.Viewport(0, 0, w, h);
        g.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        g.Clear(GL_COLOR_BUFFER_BIT);
    }
    // GL counts rows from the bottom.
    g.Viewport(place.x, h - place.y - place.h, place.w, place.h);
    g.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    g.PixelStorei(GL_PACK_ALIGNMENT, 1);
    g.ActiveTexture(GL_TEXTURE0);
    g.BindTexture(GL_TEXTURE_2D, m_texture);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (bits == 16)
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, GLsizei(width), GLsizei(height), 0, GL_RGB,
                     GL_UNSIGNED_SHORT_5_6_5, pixels);
    else
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(width), GLsizei(height), 0, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    g.UseProgram(m_program);
    g.Uniform1i(g.GetUniformLocation(m_program, "uImage"), 0);
    g.BindVertexArray(m_vao);
    g.DrawArrays(GL_TRIANGLES, 0, 3);
    if (readBack)
    {
        std::vector<std::uint32_t> rows(std::size_t(w) * std::size_t(h));
        g.ReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
        readBack->resize(rows.size());
        for (int y = 0; y < h; ++y) // GL rows run bottom first
            std::copy(rows.begin() + std::ptrdiff_t(y) * w, rows.begin() + std::ptrdiff_t(y + 1) * w,
                      readBack->begin() + std::ptrdiff_t(h - 1 - y) * w);
        *readWidth = w;
        *readHeight = h;
        return true;
    }
    SDL_GL_SwapWindow(m_pWindow);
    return true;
}

bool CPresenter::ShowSurface(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                             std::uint32_t bits, std::vector<std::uint32_t>* readBack, int* readWidth,
                             int* readHeight)
{
    SDL_Surface* target = SDL_GetWindowSurface(m_pWindow);
    if (!target) return false;
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint8_t*>(pixels), int(width), int(height), int(bits), int(width * bits / 8),
        bits == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888);
    if (!image) return false;
    const SPlace place = Place(width, height, target->w, target->h);
    SDL_Rect to{place.x, place.y, place.w, place.h};
    if (place.w != target->w || place.h != target->h) SDL_FillRect(target, nullptr, 0);
    const bool ok = SDL_BlitScaled(image, nullptr, target, &to) == 0;
    SDL_FreeSurface(image);
    if (readBack)
    {
        SDL_Surface* argb = SDL_ConvertSurfaceFormat(target, SDL_PIXELFORMAT_ARGB8888, 0);
        if (!argb) return false;
        readBack->resize(std::size_t(argb->w) * std::size_t(argb->h));
        for (int y = 0; y < argb->h; ++y)
            std::memcpy(readBack->data() + std::size_t(y) * std::size_t(argb->w),
                        static_cast<const std::uint8_t*>(argb->pixels) +
                            std::size_t(y) * std::size_t(argb->pitch),
                        std::size_t(argb->w) * 4);
        *readWidth = argb->w;
        *readHeight = argb->h;
        SDL_FreeSurface(argb);
        return ok;
    }
    return ok && SDL_UpdateWindowSurface(m_pWindow) == 0;
}

} // namespace plat::ddraw
