#pragma once
// Where the normal stream stands after many deviates, found without their
// values, by several threads at once.
//
// A deviate takes one uniform or more, so where deviate n starts is known
// only by parsing every deviate before it. But a parse begun at a uniform
// that is not a deviate's start soon falls onto the true starts (it only
// has to meet one of them), so the uniforms can be cut into segments that
// are parsed at the same time, each as if a deviate started at its first
// uniform; stitching them in order then tells, exactly, which of each
// segment's starts are true and what their numbers are.
#include <cstdint>
#include <vector>

#include "random/generator.hpp"

namespace coswitch {

// Uniform positions count from the stream's state: position 0 is the first
// uniform drawn after it.
struct StreamOrigin {
    std::uint32_t s1 = 0, s2 = 0;  // the current generator's seeds
};

// True when g is seeded, the standard generator without antithetic draws,
// and the vector path is in use: the conditions of the segmented skip.
bool segmented_skip_possible(const GeneratorState& g);
StreamOrigin origin_of(const GeneratorState& g);

// Uniforms that n deviates take, with room to spare (a bound the true count
// exceeds with negligible probability; a shortfall costs time, not bits).
std::uint64_t uniforms_for(std::uint64_t deviates);

// What parsing the uniforms [begin, end) finds, starting as if a deviate
// began at begin.
struct SkipSegment {
    std::uint64_t begin = 0, end = 0;
    std::vector<std::uint64_t> window;  // bit k: a start at begin + k, for the first starts
    std::uint64_t stop = 0;             // the first start at or after end
    std::uint64_t count = 0;            // starts in [begin, stop)
    // Every so many starts, a start's position and how many came before it.
    std::vector<std::uint64_t> check_pos, check_count;
};

SkipSegment scan_skip_segment(StreamOrigin o, std::uint64_t begin, std::uint64_t end);

// A segment as words, to pass between processes, and back; from_words
// moves w past the segment's words.
std::vector<std::uint64_t> to_words(const SkipSegment& seg);
SkipSegment from_words(const std::uint64_t*& w);

// The position of deviate n's start, from segments that cover [0, end) in
// order, the first one beginning at 0.
std::uint64_t locate_deviate(StreamOrigin o, const std::vector<SkipSegment>& segments,
                             std::uint64_t n);

// Sets g's current generator to the uniform position pos from o.
void move_to(GeneratorState& g, StreamOrigin o, std::uint64_t pos);

}  // namespace coswitch
