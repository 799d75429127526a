// Inside the Direct3D 8 layer: the OpenGL 3.3 core entry points it uses,
// loaded through SDL once a context is current.
//
// Contract: LoadGlApi() must run with a current context before any other
// call; the table is process-wide (every context the layer makes is a 3.3
// core context of the same driver). GL calls belong to the thread whose
// context is current.
#pragma once

#include <GL/glcorearb.h>

namespace plat::d3d::gl
{

#define TARVOX_GL_FUNCTIONS(X)                                                                               \
    X(PFNGLGETSTRINGPROC, GetString)                                                                         \
    X(PFNGLGETSTRINGIPROC, GetStringi)                                                                       \
    X(PFNGLGETINTEGERVPROC, GetIntegerv)                                                                     \
    X(PFNGLGETFLOATVPROC, GetFloatv)                                                                         \
    X(PFNGLGETERRORPROC, GetError)                                                                           \
    X(PFNGLENABLEPROC, Enable)                                                                               \
    X(PFNGLDISABLEPROC, Disable)                                                                             \
    X(PFNGLBLENDFUNCPROC, BlendFunc)                                                                         \
    X(PFNGLBLENDEQUATIONPROC, BlendEquation)                                                                 \
    X(PFNGLDEPTHFUNCPROC, DepthFunc)                                                                         \
    X(PFNGLDEPTHMASKPROC, DepthMask)                                                                         \
    X(PFNGLDEPTHRANGEPROC, DepthRange)                                                                       \
    X(PFNGLCOLORMASKPROC, ColorMask)                                                                         \
    X(PFNGLCULLFACEPROC, CullFace)                                                                           \
    X(PFNGLFRONTFACEPROC, FrontFace)                                                                         \
    X(PFNGLPOLYGONMODEPROC, PolygonMode)                                                                     \
    X(PFNGLPOLYGONOFFSETPROC, PolygonOffset)                                                                 \
    X(PFNGLSTENCILFUNCPROC, StencilFunc)                                                                     \
    X(PFNGLSTENCILOPPROC, StencilOp)                                                                         \
    X(PFNGLSTENCILMASKPROC, StencilMask)                                                                     \
    X(PFNGLVIEWPORTPROC, Viewport)                                                                           \
    X(PFNGLSCISSORPROC, Scissor)                                                                             \
    X(PFNGLCLEARCOLORPROC, ClearColor)                                                                       \
    X(PFNGLCLEARDEPTHPROC, ClearDepth)                                                                       \
    X(PFNGLCLEARSTENCILPROC, ClearStencil)                                                                   \
    X(PFNGLCLEARPROC, Clear)                                                                                 \
    X(PFNGLPIXELSTOREIPROC, PixelStorei)                                                                     \
    X(PFNGLREADPIXELSPROC, ReadPixels)                                                                       \
    X(PFNGLGENTEXTURESPROC, GenTextures)                                                                     \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures)                                                               \
    X(PFNGLBINDTEXTUREPROC, BindTexture)                                                                     \
    X(PFNGLACTIVETEXTUREPROC, ActiveTexture)                                                                 \
    X(PFNGLTEXIMAGE2DPROC, TexImage2D)                                                                       \
    X(PFNGLTEXSUBIMAGE2DPROC, TexSubImage2D)                                                                 \
    X(PFNGLCOMPRESSEDTEXIMAGE2DPROC, CompressedTexImage2D)                                                   \
    X(PFNGLTEXPARAMETERIPROC, TexParameteri)                                                                 \
    X(PFNGLTEXPARAMETERIVPROC, TexParameteriv)                                                               \
    X(PFNGLGENSAMPLERSPROC, GenSamplers)                                                                     \
    X(PFNGLDELETESAMPLERSPROC, DeleteSamplers)                                                               \
    X(PFNGLBINDSAMPLERPROC, BindSampler)                                                                     \
    X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri)                                                         \
    X(PFNGLSAMPLERPARAMETERFPROC, SamplerParameterf)                                                         \
    X(PFNGLSAMPLERPARAMETERFVPROC, SamplerParameterfv)                                                       \
    X(PFNGLGENBUFFERSPROC, GenBuffers)                                                                       \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                                                                 \
    X(PFNGLBINDBUFFERPROC, BindBuffer)                                                                       \
    X(PFNGLBUFFERDATAPROC, BufferData)                                                                       \
    X(PFNGLBUFFERSUBDATAPROC, BufferSubData)                                                                 \
    X(PFNGLMAPBUFFERRANGEPROC, MapBufferRange)                                                               \
    X(PFNGLUNMAPBUFFERPROC, UnmapBuffer)                                                                     \
    X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays)                                                             \
    X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays)                                                       \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                                                             \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray)                                             \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, DisableVertexAttribArray)                                           \
    X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer)                                                     \
    X(PFNGLVERTEXATTRIB4FPROC, VertexAttrib4f)                                                               \
    X(PFNGLDRAWARRAYSPROC, DrawArrays)                                                                       \
    X(PFNGLDRAWELEMENTSPROC, DrawElements)                                                                   \
    X(PFNGLDRAWELEMENTSBASEVERTEXPROC, DrawElementsBaseVertex)                                               \
    X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers)                                                             \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)                                                       \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                                                             \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D)                                                   \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, FramebufferRenderbuffer)                                             \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)                                               \
    X(PFNGLGENRENDERBUFFERSPROC, GenRenderbuffers)                                                           \
    X(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers)                                                     \
    X(PFNGLBINDRENDERBUFFERPROC, BindRenderbuffer)                                                           \
    X(PFNGLRENDERBUFFERSTORAGEPROC, RenderbufferStorage)                                                     \
    X(PFNGLBLITFRAMEBUFFERPROC, BlitFramebuffer)                                                             \
    X(PFNGLCREATESHADERPROC, CreateShader)                                                                   \
    X(PFNGLDELETESHADERPROC, DeleteShader)                                                                   \
    X(PFNGLSHADERSOURCEPROC, ShaderSource)                                                                   \
    X(PFNGLCOMPILESHADERPROC, CompileShader)                                                                 \
    X(PFNGLGETSHADERIVPROC, GetShaderiv)                                                                     \
    X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)                                                           \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram)                                                                 \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                                                                 \
    X(PFNGLATTACHSHADERPROC, AttachShader)                                                                   \
    X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation)                                                       \
    X(PFNGLBINDFRAGDATALOCATIONPROC, BindFragDataLocation)                                                   \
    X(PFNGLLINKPROGRAMPROC, LinkProgram)                                                                     \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                                                                   \
    X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)                                                         \
    X(PFNGLUSEPROGRAMPROC, UseProgram)                                                                       \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)                                                       \
    X(PFNGLUNIFORM1IPROC, Uniform1i)                                                                         \
    X(PFNGLUNIFORM1FPROC, Uniform1f)                                                                         \
    X(PFNGLUNIFORM4FPROC, Uniform4f)                                                                         \
    X(PFNGLUNIFORM2FPROC, Uniform2f)                                                                         \
    X(PFNGLUNIFORM4FVPROC, Uniform4fv)                                                                       \
    X(PFNGLUNIFORM4IVPROC, Uniform4iv)                                                                       \
    X(PFNGLUNIFORMMATRIX4FVPROC, UniformMatrix4fv)                                                           \
    X(PFNGLPOINTPARAMETERIPROC, PointParameteri)                                                             \
    X(PFNGLFINISHPROC, Finish)                                                                               \
    X(PFNGLFLUSHPROC, Flush)

struct SGlApi
{
#define TARVOX_GL_MEMBER(type, name) type name = nullptr;
    TARVOX_GL_FUNCTIONS(TARVOX_GL_MEMBER)
#undef TARVOX_GL_MEMBER
};

extern SGlApi g;

// Loads the table with the current context; false (with the missing name in
// `missing`) when an entry point is absent.
bool LoadGlApi(const char** missing);
bool HasExtension(const char* name);

// Extension enums used by the layer.
constexpr GLenum kCompressedDxt1 = 0x83F1;
constexpr GLenum kCompressedDxt3 = 0x83F2;
constexpr GLenum kCompressedDxt5 = 0x83F3;
constexpr GLenum kTextureMaxAnisotropy = 0x84FE;

// A vertex program drawing one triangle over the whole target from
// gl_VertexID alone (no buffers), with vUv running top-down like the
// images it shows. Used by the present pass and the 2-D video presenter.
extern const char* const kFullScreenVertexShader;

} // namespace plat::d3d::gl
