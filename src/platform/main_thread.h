// The main thread owns the windows and the render devices. Other threads hand it work
// through this queue; the main loop runs the queued tasks when it is woken.
#pragma once

#include <functional>

namespace orv {

// Called once by the program's entry (and by test mains) on the main thread.
void MarkMainThread();
bool IsMainThread();

// Queues `task` for the main thread and calls the waker so that its loop comes round.
// On the main thread itself the task still waits for the next RunMainThreadTasks, so a
// caller never re-enters its own code.
void PostToMainThread(std::function<void()> task);
// Runs the queued tasks in order; call it on the main thread.
void RunMainThreadTasks();
// The main loop's wake-up (an event pushed into its message queue). Empty by default.
void SetMainThreadWaker(std::function<void()> waker);

}  // namespace orv
