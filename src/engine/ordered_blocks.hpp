#pragma once
// Text made in blocks on several threads and handed on in block order on
// the calling thread: the serial writing of a large file overlaps the
// making of what comes next, and the bytes are those of one thread.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/threads.hpp"

namespace coswitch {

// Blocks 0 .. count - 1: make(b, text) fills text (empty when it comes) on
// up to `threads` helper threads, put(text) takes them in order on the
// calling thread, at most 2 x threads blocks ahead of it. With no helper
// started the calling thread makes them too. The first exception of either
// stops the others and is rethrown once every thread has ended.
void ordered_blocks(std::int64_t count, int threads, const ThreadStarter& starter,
                    const std::function<void(std::int64_t b, std::string& text)>& make,
                    const std::function<void(const std::string& text)>& put);

}  // namespace coswitch
