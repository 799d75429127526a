#include "platform/d3d8/gl/RawGlReference.h"

#include "platform/d3d8/gl/GlApi.h"

#include <vector>

namespace plat::d3d
{

using gl::g;

struct CRawGlReference::SImpl
{
    GLuint program = 0, vao = 0, vbo = 0, ibo = 0;
    GLint uColour = -1, uOffset = -1;
    std::vector<GLuint> textures;
    GLsizei indexCount = 0;
};

CRawGlReference::CRawGlReference(const float* positions, std::uint32_t vertexCount,
                                 const std::uint16_t* indices, std::uint32_t indexCount, int textures)
    : m_pImpl(std::make_unique<SImpl>())
{
    SImpl& m = *m_pImpl;
    const char* vs = "#version 330 core\nin vec3 aPos;\nuniform vec2 uOffset;\nout vec2 vUv;\n"
                     "void main() { vUv = aPos.xy; gl_Position = vec4(aPos.xy + uOffset, aPos.z, 1.0); }\n";
    const char* fs = "#version 330 core\nin vec2 vUv;\nuniform sampler2D uTex;\nuniform vec4 uColour;\n"
                     "out vec4 o;\nvoid main() { o = texture(uTex, vUv) * uColour; }\n";
    auto compile = [](GLenum type, const char* src)
    {
        GLuint s = g.CreateShader(type);
        g.ShaderSource(s, 1, &src, nullptr);
        g.CompileShader(s);
        return s;
    };
    GLuint v = compile(GL_VERTEX_SHADER, vs), f = compile(GL_FRAGMENT_SHADER, fs);
    m.program = g.CreateProgram();
    g.AttachShader(m.program, v);
    g.AttachShader(m.program, f);
    g.BindAttribLocation(m.program, 0, "aPos");
    g.LinkProgram(m.program);
    g.DeleteShader(v);
    g.DeleteShader(f);
    m.uColour = g.GetUniformLocation(m.program, "uColour");
    m.uOffset = g.GetUniformLocation(m.program, "uOffset");
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
    m.indexCount = GLsizei(indexCount);
    for (int i = 0; i < textures; ++i)
    {
        GLuint t = 0;
        g.GenTextures(1, &t);
        g.BindTexture(GL_TEXTURE_2D, t);
        const std::uint32_t texel[16] = {0xFFFFFFFFu - std::uint32_t(i) * 0x00101010u};
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 4, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, texel);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        m.textures.push_back(t);
    }
}

CRawGlReference::~CRawGlReference()
{
    SImpl& m = *m_pImpl;
    g.DeleteTextures(GLsizei(m.textures.size()), m.textures.data());
    g.DeleteBuffers(1, &m.vbo);
    g.DeleteBuffers(1, &m.ibo);
    g.DeleteVertexArrays(1, &m.vao);
    g.DeleteProgram(m.program);
}

void CRawGlReference::Draw(int texture, std::uint32_t colour, float dx, float dy)
{
    SImpl& m = *m_pImpl;
    g.UseProgram(m.program);
    g.BindVertexArray(m.vao);
    g.ActiveTexture(GL_TEXTURE0);
    g.BindSampler(0, 0);
    g.BindTexture(GL_TEXTURE_2D, m.textures[std::size_t(texture) % m.textures.size()]);
    g.Uniform4f(m.uColour, float((colour >> 16) & 255) / 255.0f, float((colour >> 8) & 255) / 255.0f,
                float(colour & 255) / 255.0f, float(colour >> 24) / 255.0f);
    g.Uniform2f(m.uOffset, dx, dy);
    g.DrawElements(GL_TRIANGLES, m.indexCount, GL_UNSIGNED_SHORT, nullptr);
}

void CRawGlReference::Finish()
{
    g.Finish();
}

} // namespace plat::d3d
