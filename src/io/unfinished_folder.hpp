#pragma once
// The folders being written that are not complete yet: whatever ends the
// process early (the interrupt watcher of the command line) removes them, so
// that an interrupted run leaves nothing. One registry for the whole process.
//
// A folder is renamed into place under the registry's lock (see
// while_holding_unfinished_folders), the very lock its removal takes: an
// interruption finds it either complete and in place, and removes nothing, or
// still unfinished, and removes all of it; never a folder half renamed or
// half removed.
#include <functional>
#include <string>

namespace coswitch {

// path: a folder to remove when the process is ended early.
void add_unfinished_folder(const std::string& path);
// path is placed or removed by its owner: no longer to remove.
void forget_unfinished_folder(const std::string& path);

// Runs fn while no removal can run; fn may add and forget folders.
void while_holding_unfinished_folders(const std::function<void()>& fn);

// Removes every registered folder and everything in it, and forgets them.
// Safe to call from any thread while others add, forget and place folders.
void remove_unfinished_folders();

// The same, for whoever ends the process next: the registry stays held, so
// that any other thread that goes on to place, add or forget a folder waits
// for the end instead of reporting the removed folder as a failure.
// Async-signal-safe: a signal handler may call it, on any thread but one
// inside while_holding_unfinished_folders (see hold_unfinished_folders_with).
void remove_unfinished_folders_for_good();

// hold() runs before a thread takes the registry and release() after it
// lets go (both may be null): a process that removes the folders from a
// signal handler keeps its signals off the thread holding the registry, on
// which the handler would wait for ever. Set once, before any folder.
void hold_unfinished_folders_with(void (*hold)(), void (*release)());

}  // namespace coswitch
