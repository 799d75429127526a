#include "platform/d3d8/D3D8.h"

#include "platform/d3d8/DeviceCore.h"
#include "platform/d3d8/Format.h"
#include "platform/d3d8/gl/GlBackend.h"

#include <algorithm>
#include <cstring>

namespace plat::d3d
{

using detail::EGlKind;

std::uint32_t Unknown::AddRef()
{
    return ++m_nRefs;
}

std::uint32_t Unknown::Release()
{
    const std::uint32_t n = --m_nRefs;
    if (n == 0) OnFinalRelease();
    return n;
}

Resource::Resource(std::shared_ptr<detail::SDeviceCore> core, std::uint32_t pool, std::uint32_t usage,
                   Format format)
    : m_pCore(std::move(core)), m_nPool(pool), m_nUsage(usage), m_format(format)
{
}

Resource::~Resource() = default;

// ---------------------------------------------------------------- Surface

Surface::Surface(std::shared_ptr<detail::SDeviceCore> core, Texture* container, std::uint32_t level,
                 Format format, std::uint32_t width, std::uint32_t height, std::uint32_t pool,
                 std::uint32_t usage, bool lockable)
    : Resource(std::move(core), pool, usage, format), m_pContainer(container), m_nLevel(level),
      m_nWidth(width), m_nHeight(height), m_bLockable(lockable)
{
    if (!IsGpuOnly()) m_cpu.resize(ImageBytes(format, width, height));
}

Surface::~Surface()
{
    if (m_bCountsDefault) --m_pCore->defaultPoolObjects;
    if (m_pGl)
    {
        m_pCore->Bury(EGlKind::Texture, m_pGl->texture);
        m_pCore->Bury(EGlKind::Renderbuffer, m_pGl->renderbuffer);
    }
}

void Surface::OnFinalRelease()
{
    delete this;
}

std::uint32_t Surface::AddRef()
{
    return m_pContainer ? m_pContainer->AddRef() : Unknown::AddRef();
}

std::uint32_t Surface::Release()
{
    return m_pContainer ? m_pContainer->Release() : Unknown::Release();
}

bool Surface::IsGpuOnly() const
{
    return (m_nUsage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0;
}

void Surface::Touch()
{
    if (m_pContainer)
        m_pContainer->BumpVersion();
    else
    {
        std::lock_guard lock(m_mutex);
        ++m_nVersion;
    }
}

HResult Surface::GetDesc(SSurfaceDesc* desc) const
{
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = m_format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = m_nUsage;
    desc->Pool = m_nPool;
    desc->Size = std::uint32_t(ImageBytes(m_format, m_nWidth, m_nHeight));
    desc->MultiSampleType = 0;
    desc->Width = m_nWidth;
    desc->Height = m_nHeight;
    return D3D_OK;
}

HResult Surface::LockRect(SLockedRect* locked, const Rect* rect, std::uint32_t flags)
{
    if (!locked) return D3DERR_INVALIDCALL;
    if (m_bLocked) return D3DERR_INVALIDCALL;
    Rect r{0, 0, std::int32_t(m_nWidth), std::int32_t(m_nHeight)};
    if (rect)
    {
        if (rect->left < 0 || rect->top < 0 || rect->right > std::int32_t(m_nWidth) ||
            rect->bottom > std::int32_t(m_nHeight) || rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        r = *rect;
    }
    const SFormatInfo info = GetFormatInfo(m_format);
    if (info.compressed && ((r.left | r.top) & 3)) return D3DERR_INVALIDCALL; // blocks cannot be split
    if (IsGpuOnly())
    {
        // Render targets live in GL; a lockable one is read back on the
        // context thread into a CPU image for the caller.
        if (!m_bLockable || info.depth || !m_pCore->backend || !m_pCore->OnOwnerThread())
            return D3DERR_INVALIDCALL;
        m_cpu.assign(ImageBytes(m_format, m_nWidth, m_nHeight), 0);
        const Rect whole{0, 0, std::int32_t(m_nWidth), std::int32_t(m_nHeight)};
        if (!(flags & D3DLOCK_DISCARD) &&
            !m_pCore->backend->ReadSurface(this, whole, m_cpu.data(), RowPitch(m_format, m_nWidth)))
            return D3DERR_INVALIDCALL;
    }
    else if (m_nPool == D3DPOOL_DEFAULT && !(m_nUsage & D3DUSAGE_DYNAMIC))
        return D3DERR_INVALIDCALL; // default-pool textures are not lockable, as in Direct3D
    const std::size_t pitch = RowPitch(m_format, m_nWidth);
    const std::size_t rowOffset =
        info.compressed ? std::size_t(r.top / 4) * pitch : std::size_t(r.top) * pitch;
    const std::size_t colOffset =
        info.compressed ? std::size_t(r.left / 4) * info.bytes : std::size_t(r.left) * info.bytes;
    locked->Pitch = std::int32_t(pitch);
    locked->pBits = m_cpu.data() + rowOffset + colOffset;
    m_bLocked = true;
    m_bLockReadOnly = (flags & D3DLOCK_READONLY) != 0;
    return D3D_OK;
}

HResult Surface::UnlockRect()
{
    if (!m_bLocked) return D3DERR_INVALIDCALL;
    m_bLocked = false;
    if (m_bLockReadOnly) return D3D_OK;
    if (IsGpuOnly())
    {
        if (m_pCore->backend && m_pCore->OnOwnerThread())
            m_pCore->backend->WriteSurface(this, m_cpu.data(), RowPitch(m_format, m_nWidth));
        return D3D_OK;
    }
    Touch();
    return D3D_OK;
}

// ---------------------------------------------------------------- Texture

Texture::Texture(std::shared_ptr<detail::SDeviceCore> core, std::uint32_t width, std::uint32_t height,
                 std::uint32_t levels, std::uint32_t usage, Format format, std::uint32_t pool)
    : Resource(std::move(core), pool, usage, format)
{
    std::uint32_t maxLevels = 1;
    for (std::uint32_t w = width, h = height; w > 1 || h > 1;
         w = std::max(1u, w / 2), h = std::max(1u, h / 2))
        ++maxLevels;
    if (levels == 0 || levels > maxLevels) levels = maxLevels;
    std::uint32_t w = width, h = height;
    std::int64_t bytes = 0;
    for (std::uint32_t l = 0; l < levels; ++l)
    {
        auto s = std::make_unique<Surface>(m_pCore, this, l, format, w, h, pool,
                                           usage & ~D3DUSAGE_RENDERTARGET, false);
        if (usage & D3DUSAGE_RENDERTARGET) s->m_nUsage = usage;
        bytes += std::int64_t(ImageBytes(format, w, h));
        m_levels.push_back(std::move(s));
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    m_pCore->textureBytes += bytes;
    if (pool == D3DPOOL_DEFAULT) ++m_pCore->defaultPoolObjects;
}

Texture::~Texture()
{
    std::int64_t bytes = 0;
    for (auto& l : m_levels)
        bytes += std::int64_t(ImageBytes(m_format, l->Width(), l->Height()));
    m_pCore->textureBytes -= bytes;
    if (m_nPool == D3DPOOL_DEFAULT) --m_pCore->defaultPoolObjects;
    m_pCore->Bury(EGlKind::Texture, m_nGlName);
}

void Texture::BumpVersion()
{
    std::lock_guard lock(m_mutex);
    ++m_nVersion;
}

HResult Texture::GetLevelDesc(std::uint32_t level, SSurfaceDesc* desc) const
{
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    return m_levels[level]->GetDesc(desc);
}

HResult Texture::GetSurfaceLevel(std::uint32_t level, Surface** surface)
{
    if (!surface || level >= m_levels.size()) return D3DERR_INVALIDCALL;
    AddRef();
    *surface = m_levels[level].get();
    return D3D_OK;
}

HResult Texture::LockRect(std::uint32_t level, SLockedRect* locked, const Rect* rect, std::uint32_t flags)
{
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    if (m_nUsage & D3DUSAGE_RENDERTARGET) return D3DERR_INVALIDCALL;
    return m_levels[level]->LockRect(locked, rect, flags);
}

HResult Texture::UnlockRect(std::uint32_t level)
{
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    return m_levels[level]->UnlockRect();
}

HResult Texture::AddDirtyRect(const Rect*)
{
    // Uploads always send whole levels, so every rectangle is dirty already.
    return D3D_OK;
}

// ---------------------------------------------------------------- Buffer

Buffer::Buffer(std::shared_ptr<detail::SDeviceCore> core, std::uint32_t type, std::uint32_t length,
               std::uint32_t usage, std::uint32_t fvfOrFormat, std::uint32_t pool)
    : Resource(std::move(core), pool, usage, type == D3DRTYPE_INDEXBUFFER ? fvfOrFormat : D3DFMT_VERTEXDATA),
      m_nType(type), m_nFvf(type == D3DRTYPE_VERTEXBUFFER ? fvfOrFormat : 0), m_cpu(length)
{
    if (pool == D3DPOOL_DEFAULT) ++m_pCore->defaultPoolObjects;
}

Buffer::~Buffer()
{
    if (m_nPool == D3DPOOL_DEFAULT) --m_pCore->defaultPoolObjects;
    m_pCore->Bury(EGlKind::Buffer, m_nGlName);
}

HResult Buffer::Lock(std::uint32_t offset, std::uint32_t size, std::uint8_t** data, std::uint32_t flags)
{
    if (!data) return D3DERR_INVALIDCALL;
    const std::uint32_t total = std::uint32_t(m_cpu.size());
    if (size == 0)
    {
        if (offset > total) return D3DERR_INVALIDCALL;
        size = total - offset;
    }
    if (offset > total || size > total - offset) return D3DERR_INVALIDCALL;
    std::lock_guard lock(m_mutex);
    m_bLocked = true;
    if (!(flags & D3DLOCK_READONLY))
    {
        if (flags & D3DLOCK_DISCARD)
        {
            // The whole content may be thrown away: the next upload sends
            // the whole store into a fresh GL allocation.
            m_bDiscard = true;
            m_nDirtyBegin = 0;
            m_nDirtyEnd = total;
        }
        else
        {
            if (!(flags & D3DLOCK_NOOVERWRITE)) m_bNoOverwrite = false;
            if (m_nDirtyEnd <= m_nDirtyBegin)
            {
                m_nDirtyBegin = offset;
                m_nDirtyEnd = offset + size;
            }
            else
            {
                m_nDirtyBegin = std::min(m_nDirtyBegin, offset);
                m_nDirtyEnd = std::max(m_nDirtyEnd, offset + size);
            }
        }
    }
    *data = m_cpu.data() + offset;
    return D3D_OK;
}

HResult Buffer::Unlock()
{
    std::lock_guard lock(m_mutex);
    if (!m_bLocked) return D3DERR_INVALIDCALL;
    m_bLocked = false;
    ++m_nVersion;
    return D3D_OK;
}

HResult Buffer::GetDesc(SBufferDesc* desc) const
{
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = m_format;
    desc->Type = m_nType;
    desc->Usage = m_nUsage;
    desc->Pool = m_nPool;
    desc->Size = std::uint32_t(m_cpu.size());
    desc->FVF = m_nFvf;
    return D3D_OK;
}

} // namespace plat::d3d
