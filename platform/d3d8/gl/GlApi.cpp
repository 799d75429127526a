#include "platform/d3d8/gl/GlApi.h"

#include <SDL2/SDL.h>

#include <cstring>

namespace plat::d3d::gl
{

SGlApi g;

bool LoadGlApi(const char** missing)
{
#define TARVOX_GL_LOAD(type, name)                                                                           \
    g.name = reinterpret_cast<type>(SDL_GL_GetProcAddress("gl" #name));                                      \
    if (!g.name)                                                                                             \
    {                                                                                                        \
        if (missing) *missing = "gl" #name;                                                                  \
        return false;                                                                                        \
    }
    TARVOX_GL_FUNCTIONS(TARVOX_GL_LOAD)
#undef TARVOX_GL_LOAD
    return true;
}

bool HasExtension(const char* name)
{
    GLint count = 0;
    g.GetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i)
    {
        const char* e = reinterpret_cast<const char*>(g.GetStringi(GL_EXTENSIONS, GLuint(i)));
        if (e && std::strcmp(e, name) == 0) return true;
    }
    return false;
}

const char* const kFullScreenVertexShader = R"(#version 330 core
out vec2 vUv;
void main()
{
    vec2 p = vec2((gl_VertexID & 1) * 4.0 - 1.0, (gl_VertexID & 2) * 2.0 - 1.0);
    vUv = vec2((p.x + 1.0) * 0.5, 1.0 - (p.y + 1.0) * 0.5);
    gl_Position = vec4(p, 0.0, 1.0);
}
)";

} // namespace plat::d3d::gl
