// Signal-to-flag bridge for stopping a render cleanly.
#include "app/platform/InterruptFlag.h"

#include <atomic>

namespace {
std::atomic<bool> g_bRaised{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

void OnInterrupt(int) { g_bRaised.store(true, std::memory_order_relaxed); }
} // namespace

CInterruptFlag::CInterruptFlag()
{
    g_bRaised.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, &m_PrevInt);
    sigaction(SIGTERM, &action, &m_PrevTerm);
}

CInterruptFlag::~CInterruptFlag()
{
    sigaction(SIGINT, &m_PrevInt, nullptr);
    sigaction(SIGTERM, &m_PrevTerm, nullptr);
}

bool CInterruptFlag::IsRaised() { return g_bRaised.load(std::memory_order_relaxed); }

void CInterruptFlag::Clear() { g_bRaised.store(false); }
