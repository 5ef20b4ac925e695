#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

#include "base/assertions.h"
#include "base/exceptions.h"
#include "base/log.h"
#include "base/orv_thread.h"
#include "base/thread_event_list.h"

namespace orv {
namespace {

using namespace std::chrono_literals;

struct Payload : TRefObject {
  explicit Payload(int v) : value(v) {}
  int value;
};

TEST(TThreadEventList, OwnerSeesEventsInPostingOrder) {
  TThreadEventList events;
  std::vector<int> seen;
  std::atomic<bool> done{false};
  std::thread owner([&] {
    while (!done.load() || events.Process([](const TThreadEvent&) {}) > 0)
      events.Process([&](const TThreadEvent& e) {
        seen.push_back(e.code * 1000 + static_cast<Payload*>(e.data.Get())->value);
      });
  });
  for (int i = 0; i < 500; ++i) events.Post(1, MakeRef<Payload>(i));
  events.Send(2, MakeRef<Payload>(0));  // handled after everything posted before it
  done.store(true);
  owner.join();
  ASSERT_EQ(seen.size(), 501u);
  for (int i = 0; i < 500; ++i) ASSERT_EQ(seen[i], 1000 + i);
  EXPECT_EQ(seen.back(), 2000);
}

TEST(TThreadEventList, SendWaitsUntilTheEventIsHandled) {
  TThreadEventList events;
  std::atomic<bool> handled{false};
  std::thread owner([&] {
    std::this_thread::sleep_for(50ms);
    events.Process([&](const TThreadEvent&) {
      std::this_thread::sleep_for(20ms);
      handled.store(true);
    });
  });
  EXPECT_TRUE(events.Send(7));
  EXPECT_TRUE(handled.load());
  owner.join();
}

// A send within a limit returns when nobody handles the event; the event stays queued and
// the owner still sees it later.
TEST(TThreadEventList, SendWithinGivesUpWhenTheOwnerDoesNotAnswer) {
  TThreadEventList events;
  EXPECT_FALSE(events.SendWithin(20ms, 5));
  int seen = 0;
  EXPECT_EQ(events.Process([&](const TThreadEvent& event) { seen = event.code; }), 1u);
  EXPECT_EQ(seen, 5);
  std::thread owner([&] {
    events.WaitForEvents(5000ms);
    events.Process([](const TThreadEvent&) {});
  });
  EXPECT_TRUE(events.SendWithin(5000ms, 6));
  owner.join();
}

TEST(TThreadEventList, CloseReleasesAWaitingSender) {
  TThreadEventList events;
  std::atomic<bool> returned{false};
  bool result = true;
  std::thread sender([&] {
    result = events.Send(1);
    returned.store(true);
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(returned.load());
  events.Close();
  sender.join();
  EXPECT_FALSE(result);
  events.Post(3);  // ignored after closing
  EXPECT_EQ(events.Process([](const TThreadEvent&) { ADD_FAILURE(); }), 0u);
  EXPECT_FALSE(events.Send(4));
}

class CountingThread : public TOrvThread {
public:
  CountingThread() : TOrvThread("counting") {}
  ~CountingThread() override { Stop(); }
  std::vector<std::string> trail;
  std::mutex lock;
  std::atomic<int> steps{0};

protected:
  void BeforeLoop() override { Note("before"); }
  void AfterLoop() override { Note("after"); }
  void HandleEvent(const TThreadEvent& e) override { Note("event " + std::to_string(e.code)); }
  void Step() override {
    ++steps;
    WaitForEvents(1ms);
  }

private:
  void Note(std::string text) {
    std::lock_guard guard(lock);
    trail.push_back(std::move(text));
  }
};

TEST(TOrvThread, RunsHooksAroundTheStepLoopAndHandlesEvents) {
  CountingThread thread;
  thread.Start();
  EXPECT_TRUE(thread.Events().Send(5));
  while (thread.steps.load() == 0) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(thread.Stop());
  EXPECT_GT(thread.steps.load(), 0);
  EXPECT_EQ(thread.trail, (std::vector<std::string>{"before", "event 5", "after"}));
  EXPECT_FALSE(thread.Events().Send(6));  // the queue is closed
}

class ThrowingThread : public TOrvThread {
public:
  ThrowingThread() : TOrvThread("throwing") {}
  ~ThrowingThread() override { Stop(); }

protected:
  void Step() override { ORV_ASSERT(false, "step failed"); }
};

class CaptureLog : public TLog {
public:
  std::vector<std::string> lines;

protected:
  void WriteLine(std::string_view line) override { lines.emplace_back(line); }
};

TEST(TOrvThread, AnExceptionEndsOnlyThatThreadAndIsLogged) {
  auto capture = std::make_unique<CaptureLog>();
  CaptureLog* lines = capture.get();
  auto previous = SetLog(std::move(capture));
  {
    ThrowingThread thread;
    thread.Start();
    while (thread.Running()) std::this_thread::sleep_for(1ms);  // ends by itself
    EXPECT_TRUE(thread.Stop());
  }
  const auto restored = SetLog(std::move(previous));
  ASSERT_FALSE(lines->lines.empty());
  EXPECT_TRUE(std::regex_match(lines->lines[0], std::regex("Thread Exception at: [0-9A-F]{8}"))) << lines->lines[0];
}

TEST(TOrvThread, StopReportsAThreadThatOverrunsTheLimit) {
  class SlowThread : public TOrvThread {
  public:
    SlowThread() : TOrvThread("slow") {}
    ~SlowThread() override { Stop(); }

  protected:
    void Step() override { std::this_thread::sleep_for(200ms); }
  } thread;
  thread.Start();
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(thread.Stop(10ms));  // logged, then waited for: never killed
  EXPECT_FALSE(thread.Running());
}

TEST(Assertions, MessageNamesTextUnitAndLine) {
  EXPECT_EQ(AssertionMessage("x > 0", "tsStream", 42), "Asseertion with message: 'x > 0' (tsStream, line: 42)");
  try {
    ORV_ASSERT(1 + 1 == 3, "arithmetic");
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("Asseertion with message: 'arithmetic' (thread_test.cpp, line: "));
  }
}

}  // namespace
}  // namespace orv
