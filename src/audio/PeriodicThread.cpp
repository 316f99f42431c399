// Periodic task thread.
#include "audio/PeriodicThread.h"

#include <system_error>

bool CPeriodicThread::Start(std::function<void()> task, std::chrono::milliseconds period, std::string& error)
{
    if (m_Thread.joinable())
        return true;
    m_Task = std::move(task);
    m_Period = period;
    m_bStop = false;
    try {
        m_Thread = std::thread(&CPeriodicThread::Run, this);
    } catch (const std::system_error& e) {
        error = e.what();
        return false;
    }
    return true;
}

void CPeriodicThread::Stop()
{
    {
        std::lock_guard lock(m_Lock);
        m_bStop = true;
    }
    m_Wake.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
}

void CPeriodicThread::Run()
{
    std::unique_lock lock(m_Lock);
    while (!m_bStop) {
        lock.unlock();
        m_Task();
        lock.lock();
        m_Wake.wait_for(lock, m_Period, [this] { return m_bStop; });
    }
}
