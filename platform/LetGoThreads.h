#pragma once

#include <chrono>

class QThread;

namespace vx {

// Threads that nothing waits for any more: a worker blocked in a database driver on a server that
// does not answer, whose results page has ended without it or has been freed. A thread let go
// deletes itself when it ends; until then no object destroys it, so the process never aborts on a
// thread destroyed while running, and at the end of the program it may still be running.
// Every function runs on the GUI thread.

// Takes a started thread out of its owner's hands (it loses its parent). The thread must no longer
// touch its former owner.
void letGo(QThread* thread);

// The threads let go that still run.
int threadsLetGoRunning();

// Waits at most `limit` for every thread let go to end, serving the calls they hand to the GUI
// thread meanwhile; true when none runs any more.
bool waitForThreadsLetGo(std::chrono::milliseconds limit);

// For the end of main(), once the windows are closed and the settings written: gives the threads
// let go `limit` to end and returns `exitCode`. When some still run, it ends the process at once
// with that code instead: on the normal way out the static objects are destroyed, which a thread
// coming back from its driver would still use.
int finishThreadsLetGo(int exitCode, std::chrono::milliseconds limit = std::chrono::seconds(1));

} // namespace vx
