#pragma once
// What an interrupted run leaves: nothing. One thread takes the interrupting
// signals (SIGINT, SIGTERM, SIGHUP) for the whole process, removes the
// unfinished folders (io/unfinished_folder.hpp), and ends the process by the
// same signal. Libraries that start threads of their own (MPI) inherit the
// blocked signals, so the signals reach this thread alone. The command line
// alone installs it: a program hosting the library keeps its own signals.
namespace coswitch {

// Starts the watching thread; call before any other thread is started.
// Without a thread to spare, signals act as usual.
void watch_interrupts();

}  // namespace coswitch
