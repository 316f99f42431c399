// CPeriodicThread: a thread that runs one task at a fixed period until stopped.
// Stop wakes it at once. It knows nothing of what the task does.
#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class CPeriodicThread {
public:
    CPeriodicThread() = default;
    ~CPeriodicThread() { Stop(); }
    CPeriodicThread(const CPeriodicThread&) = delete;
    CPeriodicThread& operator=(const CPeriodicThread&) = delete;

    // Starts the thread (once; later calls while it runs do nothing). False with a reason
    // when no thread can be made.
    bool Start(std::function<void()> task, std::chrono::milliseconds period, std::string& error);
    void Stop();

private:
    void Run();

    std::function<void()> m_Task;
    std::chrono::milliseconds m_Period{0};
    std::thread m_Thread;
    std::mutex m_Lock;
    std::condition_variable m_Wake;
    bool m_bStop = false;
};
