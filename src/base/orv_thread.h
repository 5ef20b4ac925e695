// Base of the playback threads (engine, slide loader, music player, music loader).
// The thread runs BeforeLoop, then Step until it is asked to end, then AfterLoop.
// Queued events are handed to HandleEvent before each step.
#pragma once

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "base/thread_event_list.h"

namespace orv {

class TOrvThread {
public:
  explicit TOrvThread(std::string name);
  virtual ~TOrvThread();
  TOrvThread(const TOrvThread&) = delete;
  TOrvThread& operator=(const TOrvThread&) = delete;

  void Start();
  // Asks the thread to end: the queue closes first (releasing waiting senders), then the
  // loop stops after the current step.
  void Terminate();
  // Terminates and waits. A thread that has not ended after `limit` is logged and then
  // waited for: it is never killed. Returns whether it ended within the limit.
  bool Stop(std::chrono::milliseconds limit = kStopLimit);

  bool Terminated() const { return FTerminated.load(); }
  bool Running() const { return FThread.joinable() && !FFinished.load(); }
  TThreadEventList& Events() { return FEvents; }
  const std::string& Name() const { return FName; }

  static constexpr std::chrono::milliseconds kStopLimit{3000};

protected:
  virtual void BeforeLoop() {}
  // One unit of work. It should not block for long; WaitForEvents suits idle steps.
  virtual void Step() = 0;
  virtual void AfterLoop() {}
  virtual void HandleEvent(const TThreadEvent&) {}

  // Sleeps until an event arrives, the thread is terminated or the time passes.
  void WaitForEvents(std::chrono::milliseconds timeout) { FEvents.WaitForEvents(timeout); }

private:
  void Run();
  void ReportException(const char* what);

  std::string FName;
  TThreadEventList FEvents;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::promise<void> FFinishedSignal;
  std::future<void> FFinishedFuture;
  std::thread FThread;
};

}  // namespace orv
