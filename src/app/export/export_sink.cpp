#include "app/export/export_sink.h"

#include <algorithm>
#include <cmath>

#include "base/exceptions.h"
#include "image/image.h"

namespace orv {

TFrameSchedule ScheduleBetween(double from, double to, double fps) {
  TFrameSchedule schedule;
  schedule.From = from;
  schedule.FrameMs = 1000.0 / fps;
  // A frame lands exactly on `to` only through rounding: it belongs to the next stretch.
  const double frames = std::ceil((to - from) / schedule.FrameMs - 1e-6);
  schedule.Count = std::max<int64_t>(1, int64_t(frames));
  return schedule;
}

TWriterThread::TWriterThread(TFrameWriter& writer, size_t depth)
    : FWriter(writer), FDepth(std::max<size_t>(depth, 1)), FThread([this](std::stop_token stop) { Run(stop); }) {}

// Frames still waiting are dropped; the thread ends after the frame it is writing.
TWriterThread::~TWriterThread() {
  std::lock_guard lock(FLock);
  FQueue.clear();
}

void TWriterThread::Run(std::stop_token stop) {
  std::unique_lock lock(FLock);
  for (;;) {
    if (!FChanged.wait(lock, stop, [&] { return !FQueue.empty(); })) return;
    Ref<TBitmap> frame = std::move(FQueue.front());
    FQueue.pop_front();
    FWriting = true;
    lock.unlock();
    std::exception_ptr failure;
    try {
      FWriter.Write(*frame);
    } catch (...) {
      failure = std::current_exception();
    }
    frame.Reset();
    lock.lock();
    FWriting = false;
    if (failure && !FFailure) FFailure = failure;
    if (FFailure) FQueue.clear();
    FChanged.notify_all();
  }
}

void TWriterThread::RaiseFailure() {
  if (FFailure) std::rethrow_exception(FFailure);
}

void TWriterThread::Push(Ref<TBitmap> frame) {
  std::unique_lock lock(FLock);
  FChanged.wait(lock, [&] { return FQueue.size() < FDepth || FFailure; });
  RaiseFailure();
  FQueue.push_back(std::move(frame));
  FChanged.notify_all();
}

void TWriterThread::Drain() {
  {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return (FQueue.empty() && !FWriting) || FFailure; });
  }
  FThread.request_stop();
  FThread.join();
  RaiseFailure();
}

TExportSink::TExportSink(TFrameSchedule schedule, std::unique_ptr<TFrameWriter> writer, size_t queue_depth,
                         std::unique_ptr<TExportProgress> progress, std::string output_name)
    : FSchedule(schedule),
      FWriter(std::move(writer)),
      FThread(queue_depth > 0 ? std::make_unique<TWriterThread>(*FWriter, queue_depth) : nullptr),
      FProgress(std::move(progress)),
      FOutputName(std::move(output_name)) {}

TExportSink::~TExportSink() {
  // A run that ended without saying how: what was written is not trusted.
  if (!FFinished) Abandon("The run ended before its last frame");
}

std::optional<double> TExportSink::NextFrameTime() {
  if (FFinished || FNext >= FSchedule.Count) return std::nullopt;
  return FSchedule.TimeOf(FNext);
}

void TExportSink::PutFrame(TImage& frame) {
  if (FFinished || FNext >= FSchedule.Count) throw EFileError("A frame beyond the last one was delivered");
  Ref<TBitmap> pixels = frame.GetLevel(0, &pf::A8R8G8B8);
  if (!pixels) throw EFileError("A frame without pixels was delivered");
  if (FThread) {
    FThread->Push(std::move(pixels));
  } else {
    FWriter->Write(*pixels);
  }
  ++FNext;
  if (FProgress) FProgress->FrameDone();
}

void TExportSink::Finish(const std::string& error) {
  if (FFinished) return;
  FFinished = true;
  if (!error.empty()) {
    Abandon(error);
    return;
  }
  try {
    Complete();
  } catch (const std::exception& e) {
    Abandon(e.what());
    return;
  }
  if (FProgress) FProgress->Finish(true, FOutputName);
}

void TExportSink::Abandon(const std::string& reason) {
  FFailure = reason;
  FThread.reset();
  FWriter->Abandon();
  if (FProgress) FProgress->Finish(false, FOutputName);
}

void TExportSink::Complete() {
  if (FThread) FThread->Drain();
  if (FNext < FSchedule.Count)
    throw EFileError("Only " + std::to_string(FNext) + " of " + std::to_string(FSchedule.Count) +
                     " frames were rendered");
  FWriter->Close();
}

}  // namespace orv
