// One thread that runs every call into the burning library, in the order
// the calls were made; callers wait for their call's result.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>

namespace imapi_burn {

class BurnThread {
 public:
  BurnThread();
  ~BurnThread();
  BurnThread(const BurnThread&) = delete;
  BurnThread& operator=(const BurnThread&) = delete;

  bool IsCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

  // Runs f on the thread and returns its result; inline when already there.
  template <class F>
  auto Call(F&& f) -> std::invoke_result_t<F> {
    using R = std::invoke_result_t<F>;
    if (IsCurrent()) return f();
    std::packaged_task<R()> task(std::forward<F>(f));
    std::future<R> result = task.get_future();
    Post([&task] { task(); });
    return result.get();
  }

 private:
  void Post(std::function<void()> work);
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace imapi_burn
