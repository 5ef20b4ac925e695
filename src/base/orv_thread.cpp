#include "base/orv_thread.h"

#include <pthread.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "base/log.h"

namespace orv {

TOrvThread::TOrvThread(std::string name) : FName(std::move(name)), FFinishedFuture(FFinishedSignal.get_future()) {}

TOrvThread::~TOrvThread() {
  // Derived parts are gone by now, so the owner must have stopped the thread; stopping
  // here is the last line of defence against a thread outliving its object.
  if (FThread.joinable()) Stop();
}

void TOrvThread::Start() {
  if (FThread.joinable()) return;
  FThread = std::thread([this] { Run(); });
}

void TOrvThread::Terminate() {
  FEvents.Close();
  FTerminated.store(true);
}

bool TOrvThread::Stop(std::chrono::milliseconds limit) {
  Terminate();
  if (!FThread.joinable()) return true;
  bool in_time = true;
  if (FThread.get_id() != std::this_thread::get_id()) {
    if (FFinishedFuture.wait_for(limit) != std::future_status::ready) {
      in_time = false;
      Log().Write("Thread " + FName + " did not end within " + std::to_string(limit.count()) + " ms");
    }
    FThread.join();
  } else {
    FThread.detach();
  }
  return in_time;
}

void TOrvThread::Run() {
  // Named for debuggers and per-thread processor figures (at most 15 characters).
  pthread_setname_np(pthread_self(), FName.substr(0, 15).c_str());
  try {
    BeforeLoop();
    const auto handler = [this](const TThreadEvent& event) { HandleEvent(event); };
    while (!FTerminated.load()) {
      FEvents.Process(handler);
      if (FTerminated.load()) break;
      Step();
    }
    AfterLoop();
  } catch (const std::exception& e) {
    ReportException(e.what());
  } catch (...) {
    ReportException("unknown exception");
  }
  FFinished.store(true);
  FFinishedSignal.set_value();
}

// noinline keeps a distinct return address: the reported code address is the place in
// the thread loop where the exception surfaced.
[[gnu::noinline]] void TOrvThread::ReportException(const char* what) {
  char line[64];
  std::snprintf(line, sizeof line, "Thread Exception at: %08X",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(__builtin_return_address(0))));
  if (::isatty(STDERR_FILENO)) std::fputc('\a', stderr);  // the beep of a failed thread
  DebugOutput(line);
  Log().Write(line);
  Log().Write(FName + ": " + what);
}

}  // namespace orv
