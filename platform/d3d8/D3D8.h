// The Direct3D 8 layer: the graphics device the engine draws through,
// implemented over OpenGL 3.3 core.
//
// Contract:
// - Objects are reference counted like their Direct3D counterparts: every
//   Create* hands out one reference, AddRef/Release count, the last Release
//   frees. Binding an object to the device (SetTexture, SetStreamSource,
//   SetIndices, SetRenderTarget) holds a reference of the device's own.
// - Threads: the device is created multithreaded. Any thread may create
//   textures, surfaces and buffers and lock and fill them; those calls touch
//   only the CPU copy each resource keeps, and the GPU upload happens on the
//   thread that created the device (the GL context owner) when it next draws
//   or presents. Every other device call belongs to that thread; calls that
//   must read GPU memory (locks of render targets, CopyRects from the back
//   buffer) fail with D3DERR_INVALIDCALL on another thread.
// - Setters check their arguments in the order the Direct3D runtime does and
//   write through one target: the live state, or the state block being
//   recorded between BeginStateBlock and EndStateBlock.
// - States the layer does not act on are stored (so Get returns them) and
//   logged once.
// - Differences from Direct3D the engine can see: D3DRS_LOCALVIEWER starts
//   FALSE (see StateBlock.cpp); at most 16 lights light a draw; a
//   full-screen device is lost when its window loses the focus it had (a
//   window that never had it loses nothing); after a discarding (or single
//   flipping) Present with an identity gamma ramp the back buffer holds an
//   earlier frame (Direct3D leaves it undefined; its storage was traded
//   with the front copy rather than copied).
// - Process-wide effect: on Mesa's software rasterizer the first device
//   raises the C library's heap trim threshold (GlBackend.cpp says why).
#pragma once

#include "platform/d3d8/D3D8Types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace plat::d3d
{

class Device;
class Texture;

namespace detail
{
struct SDeviceCore;
struct SStateData;
class CStateBlock;
class CGlBackend;
struct SGlSurface;
struct SDrawSetup;
} // namespace detail

// Reference counting shared by every object of the layer.
class Unknown
{
public:
    virtual std::uint32_t AddRef();
    virtual std::uint32_t Release();

protected:
    Unknown() = default;
    virtual ~Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;
    // Called when the count reaches 0; the default deletes the object.
    virtual void OnFinalRelease() { delete this; }

private:
    std::atomic<std::uint32_t> m_nRefs{1};
};

// A resource of one device. Resources may outlive their device (a late
// Release after the device is gone is safe); GL names they own are handed to
// the device core and deleted on the GL thread.
class Resource : public Unknown
{
public:
    std::uint32_t GetPool() const { return m_nPool; }
    std::uint32_t GetUsage() const { return m_nUsage; }
    Format GetFormat() const { return m_format; }

    // Layer-internal: GPU upload bookkeeping.
    std::mutex& Mutex() const { return m_mutex; }
    std::uint64_t Version() const { return m_nVersion; }

protected:
    Resource(std::shared_ptr<detail::SDeviceCore> core, std::uint32_t pool, std::uint32_t usage,
             Format format);
    ~Resource() override;

    std::shared_ptr<detail::SDeviceCore> m_pCore;
    std::uint32_t m_nPool;
    std::uint32_t m_nUsage;
    Format m_format;
    mutable std::mutex m_mutex;
    std::uint64_t m_nVersion = 1; // bumped by every change of the CPU copy
    friend class detail::CGlBackend;
    friend class Device;
};

// A 2-D image: a texture level, an image surface in system memory, a render
// target, a depth-stencil surface or the back buffer.
class Surface : public Resource
{
public:
    HResult GetDesc(SSurfaceDesc* desc) const;
    HResult LockRect(SLockedRect* locked, const Rect* rect, std::uint32_t flags);
    HResult UnlockRect();
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;
    // Level surfaces count on their texture: AddRef/Release of a level keep
    // the whole texture alive, as in Direct3D.
    Texture* GetContainer() const { return m_pContainer; }

    // Layer-internal.
    std::uint32_t Width() const { return m_nWidth; }
    std::uint32_t Height() const { return m_nHeight; }
    std::uint32_t Level() const { return m_nLevel; }
    bool IsGpuOnly() const; // render target or depth: storage lives in GL
    std::vector<std::uint8_t>& Cpu() { return m_cpu; }
    detail::SGlSurface* Gl() { return m_pGl.get(); }
    void Touch(); // the CPU copy changed

    Surface(std::shared_ptr<detail::SDeviceCore> core, Texture* container, std::uint32_t level, Format format,
            std::uint32_t width, std::uint32_t height, std::uint32_t pool, std::uint32_t usage,
            bool lockable);
    ~Surface() override;

protected:
    void OnFinalRelease() override;

private:
    Texture* m_pContainer;
    std::uint32_t m_nLevel;
    std::uint32_t m_nWidth, m_nHeight;
    bool m_bLockable;
    bool m_bLocked = false;
    bool m_bLockReadOnly = false;
    bool m_bCountsDefault = false; // an application-made default-pool surface
    std::vector<std::uint8_t> m_cpu;
    std::unique_ptr<detail::SGlSurface> m_pGl; // render targets and depth surfaces
    friend class detail::CGlBackend;
    friend class Device;
    friend class Texture;
};

class Texture : public Resource
{
public:
    std::uint32_t GetLevelCount() const { return std::uint32_t(m_levels.size()); }
    HResult GetLevelDesc(std::uint32_t level, SSurfaceDesc* desc) const;
    HResult GetSurfaceLevel(std::uint32_t level, Surface** surface);
    HResult LockRect(std::uint32_t level, SLockedRect* locked, const Rect* rect, std::uint32_t flags);
    HResult UnlockRect(std::uint32_t level);
    HResult AddDirtyRect(const Rect* rect);

    // Layer-internal.
    Surface* LevelSurface(std::uint32_t level) const { return m_levels[level].get(); }
    std::uint32_t GlName() const { return m_nGlName; }
    void BumpVersion();
    Texture(std::shared_ptr<detail::SDeviceCore> core, std::uint32_t width, std::uint32_t height,
            std::uint32_t levels, std::uint32_t usage, Format format, std::uint32_t pool);
    ~Texture() override;

private:
    std::vector<std::unique_ptr<Surface>> m_levels;
    std::uint32_t m_nGlName = 0;
    std::uint64_t m_nUploaded = 0;
    friend class detail::CGlBackend;
    friend class Device;
};

// Vertex and index buffers share one implementation.
class Buffer : public Resource
{
public:
    HResult Lock(std::uint32_t offset, std::uint32_t size, std::uint8_t** data, std::uint32_t flags);
    HResult Unlock();
    HResult GetDesc(SBufferDesc* desc) const;

    // Layer-internal.
    std::uint32_t Size() const { return std::uint32_t(m_cpu.size()); }
    const std::uint8_t* CpuData() const { return m_cpu.data(); }
    Buffer(std::shared_ptr<detail::SDeviceCore> core, std::uint32_t type, std::uint32_t length,
           std::uint32_t usage, std::uint32_t fvfOrFormat, std::uint32_t pool);
    ~Buffer() override;

private:
    std::uint32_t m_nType; // D3DRTYPE_VERTEXBUFFER or D3DRTYPE_INDEXBUFFER
    std::uint32_t m_nFvf;  // vertex buffers
    std::vector<std::uint8_t> m_cpu;
    bool m_bLocked = false;
    bool m_bDiscard = false; // the next upload may orphan the GL store
    // Every lock since the last upload promised not to overwrite what a
    // queued draw reads (D3DLOCK_NOOVERWRITE): the upload need not wait
    // for the driver's queued draws.
    bool m_bNoOverwrite = true;
    std::uint32_t m_nDirtyBegin = 0, m_nDirtyEnd = 0;
    std::uint32_t m_nGlName = 0;
    std::uint32_t m_nGlSize = 0;
    friend class detail::CGlBackend;
};

class VertexBuffer : public Buffer
{
public:
    using Buffer::Buffer;
};

class IndexBuffer : public Buffer
{
public:
    using Buffer::Buffer;
};

// The object Direct3DCreate8 returns: adapters, formats, caps, device creation.
class Direct3D : public Unknown
{
public:
    std::uint32_t GetAdapterCount() const { return 1; }
    HResult GetAdapterIdentifier(std::uint32_t adapter, std::uint32_t flags, SAdapterIdentifier* id) const;
    std::uint32_t GetAdapterModeCount(std::uint32_t adapter) const;
    HResult EnumAdapterModes(std::uint32_t adapter, std::uint32_t mode, SDisplayMode* out) const;
    HResult GetAdapterDisplayMode(std::uint32_t adapter, SDisplayMode* out) const;
    HResult CheckDeviceType(std::uint32_t adapter, std::uint32_t type, Format displayFormat,
                            Format backFormat, bool windowed) const;
    HResult CheckDeviceFormat(std::uint32_t adapter, std::uint32_t type, Format adapterFormat,
                              std::uint32_t usage, std::uint32_t resourceType, Format checkFormat) const;
    HResult CheckDeviceMultiSampleType(std::uint32_t adapter, std::uint32_t type, Format format,
                                       bool windowed, std::uint32_t multiSample) const;
    HResult CheckDepthStencilMatch(std::uint32_t adapter, std::uint32_t type, Format adapterFormat,
                                   Format renderTargetFormat, Format depthFormat) const;
    HResult GetDeviceCaps(std::uint32_t adapter, std::uint32_t type, SCaps* caps) const;
    HResult CreateDevice(std::uint32_t adapter, std::uint32_t type, plat::Window* focusWindow,
                         std::uint32_t behaviourFlags, SPresentParameters* params, Device** device);
};

// Returns null when the SDK version is not the one the engine was built with.
Direct3D* Direct3DCreate8(std::uint32_t sdkVersion);

// The caps this layer reports (they describe what it really does).
SCaps LayerCaps(std::uint32_t deviceType);

// What the device counts of its own work, for the log.
struct SDeviceStatistics
{
    std::uint32_t programs = 0;             // generated programs compiled
    std::uint32_t programsAfterLoading = 0; // of them, after MarkLoadingFinished
};

class Device : public Unknown
{
public:
    // ---- device ----
    HResult TestCooperativeLevel();
    std::uint32_t GetAvailableTextureMem() const;
    HResult ResourceManagerDiscardBytes(std::uint32_t bytes);
    HResult GetDeviceCaps(SCaps* caps) const;
    HResult GetDisplayMode(SDisplayMode* mode) const;
    HResult Reset(SPresentParameters* params);
    HResult Present(const Rect* src, const Rect* dst, plat::Window* override, const void* dirtyRegion);
    HResult GetBackBuffer(std::uint32_t index, std::uint32_t type, Surface** surface);
    // Copies the last presented picture, after the gamma ramp, into an
    // A8R8G8B8 image surface (system memory) of the window's size.
    HResult GetFrontBuffer(Surface* destSurface);
    void SetGammaRamp(std::uint32_t flags, const SGammaRamp* ramp);
    void GetGammaRamp(SGammaRamp* ramp) const;

    // ---- resources ----
    HResult CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                          std::uint32_t usage, Format format, std::uint32_t pool, Texture** texture);
    HResult CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                               std::uint32_t pool, VertexBuffer** vb);
    HResult CreateIndexBuffer(std::uint32_t length, std::uint32_t usage, Format format, std::uint32_t pool,
                              IndexBuffer** ib);
    HResult CreateRenderTarget(std::uint32_t width, std::uint32_t height, Format format,
                               std::uint32_t multiSample, bool lockable, Surface** surface);
    HResult CreateDepthStencilSurface(std::uint32_t width, std::uint32_t height, Format format,
                                      std::uint32_t multiSample, Surface** surface);
    HResult CreateImageSurface(std::uint32_t width, std::uint32_t height, Format format, Surface** surface);
    HResult CopyRects(Surface* src, const Rect* srcRects, std::uint32_t count, Surface* dst,
                      const Point* dstPoints);
    HResult UpdateTexture(Texture* src, Texture* dst);

    // ---- render targets and frame ----
    HResult SetRenderTarget(Surface* target, Surface* depth);
    HResult GetRenderTarget(Surface** target);
    HResult GetDepthStencilSurface(Surface** depth);
    HResult BeginScene();
    HResult EndScene();
    HResult Clear(std::uint32_t count, const SRect* rects, std::uint32_t flags, Color color, float z,
                  std::uint32_t stencil);

    // ---- state ----
    HResult SetTransform(std::uint32_t state, const SMatrix* matrix);
    HResult GetTransform(std::uint32_t state, SMatrix* matrix) const;
    HResult MultiplyTransform(std::uint32_t state, const SMatrix* matrix);
    HResult SetViewport(const SViewport* viewport);
    HResult GetViewport(SViewport* viewport) const;
    HResult SetMaterial(const SMaterial* material);
    HResult GetMaterial(SMaterial* material) const;
    HResult SetLight(std::uint32_t index, const SLight* light);
    HResult GetLight(std::uint32_t index, SLight* light) const;
    HResult LightEnable(std::uint32_t index, bool enable);
    HResult GetLightEnable(std::uint32_t index, bool* enable) const;
    HResult SetClipPlane(std::uint32_t index, const float* plane);
    HResult GetClipPlane(std::uint32_t index, float* plane) const;
    HResult SetRenderState(std::uint32_t state, std::uint32_t value);
    HResult GetRenderState(std::uint32_t state, std::uint32_t* value) const;
    HResult SetTexture(std::uint32_t stage, Texture* texture);
    HResult GetTexture(std::uint32_t stage, Texture** texture);
    HResult SetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value);
    HResult GetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t* value) const;
    HResult ValidateDevice(std::uint32_t* passes);

    // ---- state blocks ----
    HResult BeginStateBlock();
    HResult EndStateBlock(std::uint32_t* token);
    HResult ApplyStateBlock(std::uint32_t token);
    HResult CaptureStateBlock(std::uint32_t token);
    HResult DeleteStateBlock(std::uint32_t token);
    HResult CreateStateBlock(std::uint32_t type, std::uint32_t* token);

    // ---- drawing ----
    HResult SetStreamSource(std::uint32_t stream, VertexBuffer* vb, std::uint32_t stride);
    HResult GetStreamSource(std::uint32_t stream, VertexBuffer** vb, std::uint32_t* stride);
    HResult SetIndices(IndexBuffer* ib, std::uint32_t baseVertexIndex);
    HResult GetIndices(IndexBuffer** ib, std::uint32_t* baseVertexIndex);
    HResult DrawPrimitive(std::uint32_t type, std::uint32_t startVertex, std::uint32_t primitiveCount);
    HResult DrawIndexedPrimitive(std::uint32_t type, std::uint32_t minIndex, std::uint32_t numVertices,
                                 std::uint32_t startIndex, std::uint32_t primitiveCount);

    // ---- shaders: the engine's programs, built by the layer ----
    HResult CreateEngineVertexShader(EEngineVertexShader which, std::uint32_t* handle);
    HResult CreateEnginePixelShader(EEnginePixelShader which, std::uint32_t* handle);
    // An FVF code (bit 0 clear) or a handle from CreateEngineVertexShader.
    HResult SetVertexShader(std::uint32_t handle);
    HResult GetVertexShader(std::uint32_t* handle) const;
    HResult DeleteVertexShader(std::uint32_t handle);
    HResult SetVertexShaderConstant(std::uint32_t reg, const void* data, std::uint32_t count);
    HResult GetVertexShaderConstant(std::uint32_t reg, void* data, std::uint32_t count) const;
    HResult SetPixelShader(std::uint32_t handle);
    HResult GetPixelShader(std::uint32_t* handle) const;
    HResult DeletePixelShader(std::uint32_t handle);
    HResult SetPixelShaderConstant(std::uint32_t reg, const void* data, std::uint32_t count);
    HResult GetPixelShaderConstant(std::uint32_t reg, void* data, std::uint32_t count) const;

    // ---- switches and test hooks of this layer ----
    // Turns the GL state cache off (every state is sent each draw) or on.
    void SetStateCacheEnabled(bool enabled);
    // Makes the device report loss as a full-screen device does when its
    // window loses focus; `restorable` moves it on to "can be reset".
    void SimulateDeviceLoss(bool restorable);
    // Waits until the GPU has finished every call made so far (benchmarks).
    void WaitIdle();
    // Programs compiled so far (the cache is keyed by the state that matters).
    std::size_t ProgramCount() const;
    // Builds the generated program the current state draws primitives of
    // the given type with from vertices of the given FVF (ignored while an
    // engine vertex program is set), without drawing: a program compiled
    // during loading does not stall a frame later. The context owner's
    // thread only (another gets D3DERR_INVALIDCALL).
    HResult PrepareProgram(std::uint32_t fvf, std::uint32_t primitive = D3DPT_TRIANGLELIST);
    // Marks the end of loading: programs compiled after it are counted in
    // the statistics. Any thread.
    void MarkLoadingFinished();
    SDeviceStatistics GetStatistics() const;

    Device(Direct3D* d3d, plat::Window* window, std::uint32_t behaviour, const SPresentParameters& params);
    ~Device() override;
    HResult Init(); // creates the GL context, back buffer and depth surface

private:
    HResult CreateImplicitSurfaces();
    void ResetStatesToDefaults();
    bool IsOwnerThread() const;
    void MarkLive(std::uint32_t dirtyBits);
    HResult CheckDrawable() const;
    detail::SDrawSetup DrawSetup() const;

    std::shared_ptr<detail::SDeviceCore> m_pCore;
    std::unique_ptr<detail::CGlBackend> m_pBackend;
    std::unique_ptr<detail::SStateData> m_pLive;
    detail::SStateData* m_pUpdate; // the live state, or the block being recorded
    std::unique_ptr<detail::CStateBlock> m_pRecording;
    std::vector<std::unique_ptr<detail::CStateBlock>> m_stateBlocks; // token = index + 1
    plat::Window* m_pWindow;
    void* m_pOwnWindow = nullptr; // SDL window made for a device given none
    std::uint32_t m_nBehaviour;
    SPresentParameters m_params;
    Surface* m_pBackBuffer = nullptr;
    Surface* m_pAutoDepth = nullptr;
    Surface* m_pRenderTarget = nullptr;
    Surface* m_pDepth = nullptr;
    bool m_bInScene = false;
    int m_nLost = 0;                            // 0 operational, 1 lost, 2 lost and ready for Reset
    bool m_bHadFocus = false;                   // the full-screen window had the focus when last asked
    std::vector<std::uint32_t> m_vertexShaders; // engine ids + 1, 0 free
    std::vector<std::uint32_t> m_pixelShaders;
    SGammaRamp m_gamma;
    friend class detail::CStateBlock;
};

} // namespace plat::d3d
