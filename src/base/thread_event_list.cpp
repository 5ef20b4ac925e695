#include "base/thread_event_list.h"

namespace orv {

void TThreadEventList::Post(int code, Ref<TRefObject> data) {
  {
    std::lock_guard lock(FLock);
    if (FClosed) return;
    FEntries.push_back(Entry{TThreadEvent{code, std::move(data)}, nullptr});
  }
  FArrived.notify_all();
}

std::shared_ptr<TThreadEventList::Completion> TThreadEventList::Enqueue(int code, Ref<TRefObject> data) {
  auto completion = std::make_shared<Completion>();
  if (FClosed) return nullptr;
  FEntries.push_back(Entry{TThreadEvent{code, std::move(data)}, completion});
  FArrived.notify_all();
  return completion;
}

bool TThreadEventList::Send(int code, Ref<TRefObject> data) {
  std::unique_lock lock(FLock);
  const std::shared_ptr<Completion> completion = Enqueue(code, std::move(data));
  if (!completion) return false;
  FCompleted.wait(lock, [&] { return completion->done; });
  return completion->handled;
}

bool TThreadEventList::SendWithin(std::chrono::milliseconds limit, int code, Ref<TRefObject> data) {
  std::unique_lock lock(FLock);
  const std::shared_ptr<Completion> completion = Enqueue(code, std::move(data));
  if (!completion) return false;
  return FCompleted.wait_for(lock, limit, [&] { return completion->done; }) && completion->handled;
}

size_t TThreadEventList::Process(const Handler& handler) {
  size_t handled = 0;
  for (;;) {
    Entry entry;
    {
      std::lock_guard lock(FLock);
      if (FEntries.empty() || FClosed) return handled;
      entry = std::move(FEntries.front());
      FEntries.pop_front();
    }
    // The completion is signalled even when the handler raises, so no sender is left
    // waiting for an event that will never finish.
    struct Finish {
      TThreadEventList& list;
      Completion* completion;
      bool ok = false;
      ~Finish() {
        if (!completion) return;
        {
          std::lock_guard lock(list.FLock);
          completion->done = true;
          completion->handled = ok;
        }
        list.FCompleted.notify_all();
      }
    } finish{*this, entry.completion.get()};
    handler(entry.event);
    finish.ok = true;
    ++handled;
  }
}

void TThreadEventList::WaitForEvents(std::chrono::milliseconds timeout) {
  std::unique_lock lock(FLock);
  FArrived.wait_for(lock, timeout, [&] { return FClosed || !FEntries.empty(); });
}

void TThreadEventList::Close() {
  std::deque<Entry> dropped;
  {
    std::lock_guard lock(FLock);
    FClosed = true;
    dropped.swap(FEntries);
    for (auto& entry : dropped)
      if (entry.completion) entry.completion->done = true;
  }
  FCompleted.notify_all();
  FArrived.notify_all();
}

bool TThreadEventList::Closed() const {
  std::lock_guard lock(FLock);
  return FClosed;
}

}  // namespace orv
