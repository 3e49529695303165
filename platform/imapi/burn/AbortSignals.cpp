#include "platform/imapi/burn/AbortSignals.h"

#include <signal.h>

#include <atomic>
#include <mutex>

namespace imapi_burn {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kCount = sizeof kSignals / sizeof kSignals[0];

std::mutex g_lock;
int g_armed = 0;
struct sigaction g_saved[kCount];
std::atomic<int> g_pending{0};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

void RestoreLocked() {
  for (int i = 0; i < kCount; ++i) sigaction(kSignals[i], &g_saved[i], nullptr);
}

}  // namespace

void AbortSignals::OnSignal(int signal) {
  int none = 0;
  g_pending.compare_exchange_strong(none, signal);
}

void AbortSignals::Arm() {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_armed++ > 0) return;
  struct sigaction action {};
  action.sa_handler = &AbortSignals::OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < kCount; ++i) sigaction(kSignals[i], &action, &g_saved[i]);
}

void AbortSignals::Disarm() {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_armed == 0 || --g_armed > 0) return;
  RestoreLocked();
}

int AbortSignals::Pending() { return g_pending.load(); }

void AbortSignals::Resend() {
  int signal = 0;
  {
    std::lock_guard<std::mutex> g(g_lock);
    signal = g_pending.exchange(0);
    if (g_armed > 0) RestoreLocked();
    g_armed = 0;
  }
  if (signal != 0) ::raise(signal);
}

}  // namespace imapi_burn
