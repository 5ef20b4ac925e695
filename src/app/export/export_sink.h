// The frame sink of an off-screen run: it asks the engine for the frames of a schedule and
// hands them to a writer, on a thread of its own with a short queue when asked, so that
// encoding one frame overlaps rendering the next.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "app/export/export_progress.h"
#include "app/export/frame_writers.h"
#include "show/frame_sink.h"

namespace orv {

// Frame k is at show time From + k × FrameMs, for k from 0 to Count − 1.
struct TFrameSchedule {
  double From = 0;
  double FrameMs = 40;
  int64_t Count = 1;

  double TimeOf(int64_t index) const { return From + double(index) * FrameMs; }
};

// The frames at `fps` from `from` until just before `to` (ms); at least one.
TFrameSchedule ScheduleBetween(double from, double to, double fps);

// Writes frames on its own thread, holding at most `depth` frames that wait.
class TWriterThread {
public:
  TWriterThread(TFrameWriter& writer, size_t depth);
  ~TWriterThread();
  TWriterThread(const TWriterThread&) = delete;
  TWriterThread& operator=(const TWriterThread&) = delete;

  // Waits while the queue is full. Raises the writer's failure once it has failed.
  void Push(Ref<TBitmap> frame);
  // Waits until every queued frame is written and ends the thread; raises the writer's
  // failure.
  void Drain();

private:
  void Run(std::stop_token stop);
  void RaiseFailure();

  TFrameWriter& FWriter;
  size_t FDepth;
  std::mutex FLock;
  std::condition_variable_any FChanged;
  std::deque<Ref<TBitmap>> FQueue;
  bool FWriting = false;
  std::exception_ptr FFailure;
  std::jthread FThread;
};

class TExportSink : public TFrameSink {
public:
  // `queue_depth` 0 writes each frame before PutFrame returns. `progress` may be null.
  TExportSink(TFrameSchedule schedule, std::unique_ptr<TFrameWriter> writer, size_t queue_depth,
              std::unique_ptr<TExportProgress> progress, std::string output_name);
  ~TExportSink() override;

  std::optional<double> NextFrameTime() override;
  void PutFrame(TImage& frame) override;
  // An output that could not be completed, and one that would be unusable unfinished, is
  // deleted; Failure() then says why.
  void Finish(const std::string& error) override;

  const TFrameSchedule& Schedule() const noexcept { return FSchedule; }
  int64_t FramesPut() const noexcept { return FNext; }
  // Why the run failed (the engine's reason or the writer's); empty after a success.
  const std::string& Failure() const noexcept { return FFailure; }

private:
  void Complete();
  void Abandon(const std::string& reason);

  TFrameSchedule FSchedule;
  std::unique_ptr<TFrameWriter> FWriter;
  std::unique_ptr<TWriterThread> FThread;
  std::unique_ptr<TExportProgress> FProgress;
  std::string FOutputName;
  int64_t FNext = 0;
  bool FFinished = false;
  std::string FFailure;
};

}  // namespace orv
