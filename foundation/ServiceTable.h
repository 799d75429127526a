// CServiceTable: the application's services in start-up order, one row each
// (name, init, done, invalidate, reset).
//
// Start runs the inits forwards; Stop runs the dones backwards; a device
// loss runs the invalidates backwards before the reset and the resets
// forwards after it. A service added later therefore starts after, and stops
// and loses its device objects before, everything it stands on. Rows marked
// `loader` run their init on the start-up loader thread (the runner given
// to Start), together with the loader rows next to them, while the main
// thread redraws the loading screen.
//
// Every step runs under the call-path trace with the service's name. A done
// runs for each service whose init was entered, including one that failed
// or threw, so a half-made service is cleaned up; every done must therefore
// be safe on a service that is absent. Stop may run twice.
//
// Ownership: the table owns its rows, not the services. Threads: main
// thread only, but for the loader rows' inits.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

struct SService
{
    const char* name = "";
    // False ends start-up (the init says why); may throw.
    std::function<bool()> init = {};
    std::function<void()> done = {};
    // Device loss: give up device objects before the reset, make them again after.
    std::function<void()> invalidate = {};
    std::function<void()> reset = {};
    // The init runs on the start-up loader thread and must not touch the
    // device's state (see LoaderThread.h).
    bool loader = false;
};

class CServiceTable
{
public:
    // Runs work (the inits of adjacent loader rows) on a loader thread;
    // false when work threw or returned false.
    using LoaderRunner = std::function<bool(const std::function<bool()>& work)>;

    void Add(SService service);
    // Inits forwards from the first not yet entered; false at the first
    // failure (GetFailed names it). Loader rows run through runner, or on
    // the calling thread without one.
    bool Start(const LoaderRunner& runner = {});
    // The dones of every entered service, last first; the table keeps its rows.
    void Stop();
    void Invalidate();
    void Reset();

    std::size_t GetCount() const { return m_Services.size(); }
    // How many services have had their init entered.
    std::size_t GetEntered() const { return m_nEntered; }
    // The name of the service whose init failed, or null.
    const char* GetFailed() const { return m_pFailed; }
    const SService& GetService(std::size_t index) const { return m_Services[index]; }

private:
    bool RunInit(std::size_t index);

    std::vector<SService> m_Services;
    std::size_t m_nEntered = 0;
    const char* m_pFailed = nullptr;
};
