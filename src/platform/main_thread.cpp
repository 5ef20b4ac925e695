#include "platform/main_thread.h"

#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "base/assertions.h"

namespace orv {

namespace {

struct TMainThreadQueue {
  std::mutex Lock;
  std::thread::id MainId = std::this_thread::get_id();
  std::deque<std::function<void()>> Tasks;
  std::function<void()> Waker;
};

TMainThreadQueue& Queue() {
  static TMainThreadQueue queue;
  return queue;
}

}  // namespace

void MarkMainThread() {
  std::lock_guard lock(Queue().Lock);
  Queue().MainId = std::this_thread::get_id();
}

bool IsMainThread() {
  std::lock_guard lock(Queue().Lock);
  return Queue().MainId == std::this_thread::get_id();
}

void PostToMainThread(std::function<void()> task) {
  std::function<void()> waker;
  {
    std::lock_guard lock(Queue().Lock);
    Queue().Tasks.push_back(std::move(task));
    waker = Queue().Waker;
  }
  if (waker) waker();
}

void RunMainThreadTasks() {
  ORV_ASSERT(IsMainThread(), "RunMainThreadTasks outside the main thread");
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(Queue().Lock);
      if (Queue().Tasks.empty()) return;
      task = std::move(Queue().Tasks.front());
      Queue().Tasks.pop_front();
    }
    task();
  }
}

void SetMainThreadWaker(std::function<void()> waker) {
  std::lock_guard lock(Queue().Lock);
  Queue().Waker = std::move(waker);
}

}  // namespace orv
