#include "platform/d3d8/gl/RawGlReference.h"

#include "platform/d3d8/gl/GlApi.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>

namespace plat::d3d
{

using gl::g;

namespace
{

// A context of its own on the current context's window; the current one is
// remembered to be made current again.
struct SOwnContext
{
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext own = nullptr;

    SOwnContext()
    {
        own = SDL_GL_CreateContext(window); // made current
        if (!own)
        {
            std::fprintf(stderr, "raw GL reference: no context: %s\n", SDL_GetError());
            std::abort();
        }
    }
    ~SOwnContext()
    {
        SDL_GL_MakeCurrent(window, previous);
        SDL_GL_DeleteContext(own);
    }
    void Begin() { SDL_GL_MakeCurrent(window, own); }
    void End() { SDL_GL_MakeCurrent(window, previous); }
};

GLuint Link(const char* vs, const char* fs)
{
    auto compile = [](GLenum type, const char* src)
    {
        GLuint s = g.CreateShader(type);
        g.ShaderSource(s, 1, &src, nullptr);
        g.CompileShader(s);
        return s;
    };
    GLuint v = compile(GL_VERTEX_SHADER, vs), f = compile(GL_FRAGMENT_SHADER, fs);
    GLuint p = g.CreateProgram();
    g.AttachShader(p, v);
    g.AttachShader(p, f);
    g.BindAttribLocation(p, 0, "aPos");
    g.BindFragDataLocation(p, 0, "o");
    g.LinkProgram(p);
    g.DeleteShader(v);
    g.DeleteShader(f);
    return p;
}

GLuint ColourTarget(int width, int height, GLuint* texture)
{
    g.GenTextures(1, texture);
    g.BindTexture(GL_TEXTURE_2D, *texture);
    g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    GLuint fbo = 0;
    g.GenFramebuffers(1, &fbo);
    g.BindFramebuffer(GL_FRAMEBUFFER, fbo);
    g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, *texture, 0);
    return fbo;
}

void ClearColour(std::uint32_t argb)
{
    g.ClearColor(float((argb >> 16) & 255) / 255.0f, float((argb >> 8) & 255) / 255.0f,
                 float(argb & 255) / 255.0f, float(argb >> 24) / 255.0f);
}

} // namespace

struct CRawGlDrawReference::SImpl
{
    SOwnContext context;
    GLuint program = 0, vao = 0, vbo = 0, ibo = 0, fbo = 0, target = 0;
    GLint uColour = -1;
    std::vector<GLuint> textures;
    int width = 0, height = 0;
};

CRawGlDrawReference::CRawGlDrawReference(int targetWidth, int targetHeight, const float* positions,
                                         std::uint32_t vertexCount, const std::uint16_t* indices,
                                         std::uint32_t indexCount,
                                         const std::vector<std::vector<std::uint32_t>>& textures,
                                         int textureWidth, int textureHeight)
    : m_pImpl(std::make_unique<SImpl>())
{
    SImpl& m = *m_pImpl;
    m.width = targetWidth;
    m.height = targetHeight;
    // The layer's mapping of Direct3D clip space: pixel centres on integers
    // and rows stored top first.
    const char* vs =
        "#version 330 core\nin vec3 aPos;\nuniform vec2 uHalfPixel;\nout vec2 vUv;\n"
        "void main() { vUv = aPos.xy;\n"
        "  gl_Position = vec4(aPos.x + uHalfPixel.x, -aPos.y + uHalfPixel.y, 2.0 * aPos.z - 1.0, 1.0); }\n";
    const char* fs = "#version 330 core\nin vec2 vUv;\nuniform sampler2D uTex;\nuniform vec4 uColour;\n"
                     "out vec4 o;\nvoid main() { o = clamp(texture(uTex, vUv) * uColour, 0.0, 1.0); }\n";
    m.program = Link(vs, fs);
    g.UseProgram(m.program);
    m.uColour = g.GetUniformLocation(m.program, "uColour");
    g.Uniform2f(g.GetUniformLocation(m.program, "uHalfPixel"), 1.0f / float(targetWidth),
                1.0f / float(targetHeight));
    g.Uniform1i(g.GetUniformLocation(m.program, "uTex"), 0);
    g.Uniform4f(m.uColour, 1, 1, 1, 1);
    g.GenVertexArrays(1, &m.vao);
    g.BindVertexArray(m.vao);
    g.GenBuffers(1, &m.vbo);
    g.BindBuffer(GL_ARRAY_BUFFER, m.vbo);
    g.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertexCount * 12), positions, GL_STATIC_DRAW);
    g.GenBuffers(1, &m.ibo);
    g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, m.ibo);
    g.BufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indexCount * 2), indices, GL_STATIC_DRAW);
    g.EnableVertexAttribArray(0);
    g.VertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
    for (const auto& texels : textures)
    {
        GLuint t = 0;
        g.GenTextures(1, &t);
        g.BindTexture(GL_TEXTURE_2D, t);
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, texels.data());
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        // The layer's default: point sampling, wrapping.
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        m.textures.push_back(t);
    }
    m.fbo = ColourTarget(targetWidth, targetHeight, &m.target);
    g.Viewport(0, 0, targetWidth, targetHeight);
    g.ActiveTexture(GL_TEXTURE0);
    g.BindTexture(GL_TEXTURE_2D, m.textures.empty() ? 0 : m.textures[0]);
    m.context.End();
}

CRawGlDrawReference::~CRawGlDrawReference()
{
    SImpl& m = *m_pImpl;
    m.context.Begin();
    g.DeleteTextures(GLsizei(m.textures.size()), m.textures.data());
    g.DeleteTextures(1, &m.target);
    g.DeleteFramebuffers(1, &m.fbo);
    g.DeleteBuffers(1, &m.vbo);
    g.DeleteBuffers(1, &m.ibo);
    g.DeleteVertexArrays(1, &m.vao);
    g.DeleteProgram(m.program);
}

void CRawGlDrawReference::Begin()
{
    m_pImpl->context.Begin();
}

void CRawGlDrawReference::End()
{
    m_pImpl->context.End();
}

void CRawGlDrawReference::Clear(std::uint32_t argb)
{
    ClearColour(argb);
    g.Clear(GL_COLOR_BUFFER_BIT);
}

void CRawGlDrawReference::SetTexture(int texture)
{
    const SImpl& m = *m_pImpl;
    g.BindTexture(GL_TEXTURE_2D, m.textures[std::size_t(texture) % m.textures.size()]);
}

void CRawGlDrawReference::SetColour(std::uint32_t c)
{
    g.Uniform4f(m_pImpl->uColour, float((c >> 16) & 255) / 255.0f, float((c >> 8) & 255) / 255.0f,
                float(c & 255) / 255.0f, float(c >> 24) / 255.0f);
}

void CRawGlDrawReference::Draw(std::uint32_t firstIndex, std::uint32_t indexCount)
{
    g.DrawElements(GL_TRIANGLES, GLsizei(indexCount), GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(std::uintptr_t(firstIndex) * 2));
}

void CRawGlDrawReference::Finish()
{
    g.Finish();
}

std::uint64_t CRawGlDrawReference::PixelSum()
{
    const SImpl& m = *m_pImpl;
    std::vector<std::uint32_t> pixels(std::size_t(m.width) * std::size_t(m.height));
    g.ReadPixels(0, 0, m.width, m.height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    std::uint64_t sum = 0;
    for (std::uint32_t p : pixels)
        sum += ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255);
    return sum;
}

struct CRawGlPresentReference::SImpl
{
    SOwnContext context;
    GLuint fbo = 0, image = 0;
    int width = 0, height = 0;
};

CRawGlPresentReference::CRawGlPresentReference(int width, int height) : m_pImpl(std::make_unique<SImpl>())
{
    SImpl& m = *m_pImpl;
    m.width = width;
    m.height = height;
    m.fbo = ColourTarget(width, height, &m.image);
    SDL_GL_SetSwapInterval(0);
    m.context.End();
}

CRawGlPresentReference::~CRawGlPresentReference()
{
    SImpl& m = *m_pImpl;
    m.context.Begin();
    g.DeleteTextures(1, &m.image);
    g.DeleteFramebuffers(1, &m.fbo);
}

void CRawGlPresentReference::Begin()
{
    m_pImpl->context.Begin();
}

void CRawGlPresentReference::End()
{
    m_pImpl->context.End();
}

void CRawGlPresentReference::Frame(std::uint32_t argb)
{
    const SImpl& m = *m_pImpl;
    g.BindFramebuffer(GL_FRAMEBUFFER, m.fbo);
    ClearColour(argb);
    g.Clear(GL_COLOR_BUFFER_BIT);
    g.BindFramebuffer(GL_READ_FRAMEBUFFER, m.fbo);
    g.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    g.BlitFramebuffer(0, 0, m.width, m.height, 0, 0, m.width, m.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    SDL_GL_SwapWindow(m.context.window);
}

void CRawGlPresentReference::Finish()
{
    g.Finish();
}

} // namespace plat::d3d
