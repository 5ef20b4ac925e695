// The inbound event queue of a playback thread. Other threads post (fire and forget) or
// send (wait until the owner has handled the event); the owner drains the queue in order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "base/ref_object.h"

namespace orv {

struct TThreadEvent {
  int code = 0;
  Ref<TRefObject> data;
};

class TThreadEventList {
public:
  using Handler = std::function<void(const TThreadEvent&)>;

  // Appends an event and returns at once. Ignored once the queue is closed.
  void Post(int code, Ref<TRefObject> data = {});
  // Appends an event and waits until the owner has handled it. Returns false when the
  // queue was closed before the event was handled.
  bool Send(int code, Ref<TRefObject> data = {});
  // As Send, but waits at most `limit`: false also when the owner has not handled the event
  // by then (it stays queued and is handled later).
  bool SendWithin(std::chrono::milliseconds limit, int code, Ref<TRefObject> data = {});

  // Owner side: hands every queued event to `handler`, in order. Events posted while
  // draining are handled in the same call. Returns the number handled.
  size_t Process(const Handler& handler);
  // Owner side: waits until an event arrives, the queue closes or the time passes.
  void WaitForEvents(std::chrono::milliseconds timeout);

  // Drops the queued events and releases every waiting sender; later posts are ignored.
  void Close();
  bool Closed() const;

private:
  struct Completion {
    bool done = false;
    bool handled = false;
  };
  struct Entry {
    TThreadEvent event;
    std::shared_ptr<Completion> completion;
  };

  // With the lock held: queues an event with a completion; null when the queue is closed.
  std::shared_ptr<Completion> Enqueue(int code, Ref<TRefObject> data);

  mutable std::mutex FLock;
  std::condition_variable FArrived;
  std::condition_variable FCompleted;
  std::deque<Entry> FEntries;
  bool FClosed = false;
};

}  // namespace orv
