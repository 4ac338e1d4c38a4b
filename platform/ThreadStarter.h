#pragma once

#include <functional>

class QThread;

namespace vx {

// Starts threads away from the GUI thread. Making an operating-system thread costs its caller tens
// of microseconds in the kernel, which hundreds of results pages starting at once would otherwise
// spend on the GUI thread. One starter thread, made on the first call and living as long as the
// process, starts the threads in the order given, each as soon as the ones before it have started;
// the threads it starts run at the priority of the thread that made it, so the first call must
// come from the GUI thread. The thread must be set up (event dispatcher, connections) before the
// call, must not be deleted before it has started, and is not to be started by anyone else.
// `failed` runs on the thread's own thread (its QObject affinity) when the thread could not be
// started; the thread is then neither running nor finished, and deleting it is up to `failed`.
void startThread(QThread* thread, std::function<void()> failed);

} // namespace vx
