#pragma once
// What an interrupted run leaves: nothing. The signals that end a process
// from outside (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM,
// SIGVTALRM, SIGPROF, SIGXCPU, SIGPOLL, SIGPWR) are taken for the whole
// process: the unfinished folders (io/unfinished_folder.hpp) are removed and
// the process ends by the same signal. One thread waits for them; libraries
// that start threads of their own (MPI) inherit the blocked signals, so the
// signals reach that thread alone. Where no thread can start, a handler does
// the same. A signal ignored when the program starts (nohup) stays ignored.
//
// SIGPIPE and SIGXFSZ are ignored: a write to a closed pipe or past the file
// size limit fails as an error naming the file, and the run cleans up as
// after any failure. The command line alone installs this: a program hosting
// the library keeps its own signals.
#include "engine/threads.hpp"

namespace coswitch {

// Call before any other thread is started. starter: how the watching thread
// is started (empty: a plain thread); when it refuses, the handler serves.
void watch_interrupts(const ThreadStarter& starter = {});

}  // namespace coswitch
