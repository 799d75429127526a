#include "foundation/ServiceTable.h"

#include "foundation/ErrorLog.h"

#include <utility>

void CServiceTable::Add(SService service)
{
    m_Services.push_back(std::move(service));
}

bool CServiceTable::RunInit(std::size_t index)
{
    const SService& service = m_Services[index];
    XTRACE(service.name);
    if (!service.init || service.init()) return true;
    m_pFailed = service.name;
    return false;
}

bool CServiceTable::Start(const LoaderRunner& runner)
{
    XTRACE("CServiceTable::Start");
    m_pFailed = nullptr;
    while (m_nEntered < m_Services.size())
    {
        const std::size_t first = m_nEntered;
        if (!m_Services[first].loader)
        {
            m_nEntered = first + 1;
            if (!RunInit(first)) return false;
            continue;
        }
        std::size_t end = first;
        while (end < m_Services.size() && m_Services[end].loader)
            ++end;
        m_nEntered = end;
        auto work = [this, first, end]
        {
            for (std::size_t i = first; i < end; ++i)
                if (!RunInit(i)) return false;
            return true;
        };
        if (!(runner ? runner(work) : work()))
        {
            if (!m_pFailed) m_pFailed = m_Services[first].name;
            return false;
        }
    }
    return true;
}

void CServiceTable::Stop()
{
    while (m_nEntered > 0)
    {
        const SService& service = m_Services[--m_nEntered];
        XTRACE(service.name);
        if (service.done) service.done();
    }
}

void CServiceTable::Invalidate()
{
    for (std::size_t i = m_nEntered; i-- > 0;)
    {
        const SService& service = m_Services[i];
        XTRACE(service.name);
        if (service.invalidate) service.invalidate();
    }
}

void CServiceTable::Reset()
{
    for (std::size_t i = 0; i < m_nEntered; ++i)
    {
        const SService& service = m_Services[i];
        XTRACE(service.name);
        if (service.reset) service.reset();
    }
}
