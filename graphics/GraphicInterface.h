// CGraphicInterface: the small drawing service UI screens use for text,
// filled rectangles, textures and viewports (interface IGraphicInterface,
// factory id "IGUID_IGraphicInterface").
//
// It draws through the resource engine's singletons: the texture manager
// (textures by id key), the model manager's "SCREEN" buffer, the technique
// manager and the two fonts. Rectangles are {left, top, right, bottom}.
//
// Also here: the engine's cursor painter, through which the application
// shell draws its cursor quad (the shell's library cannot see the graphics
// managers); RegisterEngineClasses installs it.
//
// Ownership: the object owns its quad mesh, which lives in the default pool:
// its owner calls Done before a device reset and Init after it.
// Threads: main thread only.
#pragma once

#include "foundation/ShellInterfaces.h"
#include "foundation/ClassFactory.h"

#include <cstdint>

class CFont;
class CMesh;
class CTexture;

class IGraphicInterface : public IBaseInterface
{
public:
    virtual void Init(void* unused) = 0;
    virtual void Done() = 0;
    virtual void ReleaseObjects() = 0;
    virtual void CreateObjects() = 0;
    // {screen width, screen height}.
    virtual plat::Point GetScreenSize() = 0;
    virtual void FillRect(const int rect[4], std::uint32_t colour) = 0;
    // The texture drawn, or null (nothing drawn) when it is not available.
    // Technique -1 stands for 19.
    virtual CTexture* DrawTexture(CGuidKey& texture, const int screen[4], const int textureRect[4],
                                  int technique) = 0;
    virtual CTexture* DrawTextureUV(CGuidKey& texture, const int screen[4], const int textureSize[2],
                                    const int textureRect[4], int technique) = 0;
    // Opaque white at level 1.0, transparent white at 0.0.
    virtual void SetFade(float level) = 0;
    virtual void SetBlendColor(std::uint32_t colour) = 0;
    // Accepted and ignored.
    virtual void SetOption(int value) = 0;
    virtual void SelectFont(int big) = 0;
    virtual void RenderText(const char* text, int x, int y, std::uint32_t colour) = 0;
    virtual int TextWidth(const char* text) = 0;
    virtual int GetTextHeight() = 0;
    virtual void SetViewport(const int rect[4]) = 0;
    virtual void SetFullViewport() = 0;

    // The cursor position, written by the UI screen at the start of every
    // input pass.
    plat::Point m_CursorPos;
};

class CGraphicInterface : public IGraphicInterface
{
public:
    // The quad's FVF: XYZRHW, DIFFUSE, TEX1 (28-byte vertices).
    static constexpr std::uint32_t kQuadFVF = 0x144;
    static constexpr int kFillTechnique = 29;
    static constexpr int kDefaultTechnique = 19;

    CGraphicInterface() = default;
    ~CGraphicInterface() override;
    CGraphicInterface(const CGraphicInterface&) = delete;
    CGraphicInterface& operator=(const CGraphicInterface&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(void* unused) override;
    void Done() override;
    void ReleaseObjects() override;
    void CreateObjects() override;
    plat::Point GetScreenSize() override;
    void FillRect(const int rect[4], std::uint32_t colour) override;
    CTexture* DrawTexture(CGuidKey& texture, const int screen[4], const int textureRect[4],
                          int technique) override;
    CTexture* DrawTextureUV(CGuidKey& texture, const int screen[4], const int textureSize[2],
                            const int textureRect[4], int technique) override;
    void SetFade(float level) override;
    void SetBlendColor(std::uint32_t colour) override;
    void SetOption(int) override {}
    void SelectFont(int big) override;
    void RenderText(const char* text, int x, int y, std::uint32_t colour) override;
    int TextWidth(const char* text) override;
    int GetTextHeight() override;
    void SetViewport(const int rect[4]) override;
    void SetFullViewport() override;

    // The technique a caller's value stands for (-1: the default).
    static int EffectiveTechnique(int technique) { return technique == -1 ? kDefaultTechnique : technique; }
    // The texture of a key: resolved through the texture manager's names
    // once (the id is kept in the key); null when not available.
    static CTexture* ResolveTexture(CGuidKey& key);

    CFont* m_pFont = nullptr;
    CMesh* m_pQuad = nullptr;
};

extern std::uint32_t g_iIGraphicInterface;
void RegisterGraphicInterface();

// The shell's cursor drawn with the model manager's screen buffer, the
// technique manager and the texture manager (nothing while they are
// absent); RegisterEngineClasses installs it with SetCursorPainter.
ICursorPainter* GetEngineCursorPainter();
