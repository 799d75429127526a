// Inside the Direct3D 8 layer: what the device shares with its resources.
//
// Contract: created by the device, held by the device and every resource
// through shared_ptr, so that a resource released after its device is safe.
// GL names that a resource gives up on any thread are queued here and
// deleted by the GL context owner at its next draw, present or teardown.
// Thread safety: every member is guarded by `mutex` or atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace plat::d3d::detail
{

class CGlBackend;

enum class EGlKind : std::uint8_t
{
    Texture,
    Buffer,
    Renderbuffer,
};

struct SDeviceCore
{
    std::mutex mutex;
    std::vector<std::pair<EGlKind, std::uint32_t>> graveyard;
    std::atomic<bool> buried{false}; // the graveyard may hold names (read without the lock)
    std::thread::id owner;
    bool alive = true;                         // false once the device is gone
    std::atomic<std::int64_t> textureBytes{0}; // estimate for GetAvailableTextureMem
    std::atomic<int> defaultPoolObjects{0};    // application-made DEFAULT pool objects
    CGlBackend* backend = nullptr;             // null once the device is gone
    std::atomic<bool> loadingFinished{false};  // programs compiled now are counted apart
    std::atomic<std::uint32_t> programsCompiled{0};
    std::atomic<std::uint32_t> programsAfterLoading{0};

    bool OnOwnerThread() const { return std::this_thread::get_id() == owner; }

    void Bury(EGlKind kind, std::uint32_t name)
    {
        if (name == 0) return;
        std::lock_guard lock(mutex);
        if (!alive) return;
        graveyard.emplace_back(kind, name);
        buried.store(true, std::memory_order_release);
    }
};

} // namespace plat::d3d::detail
