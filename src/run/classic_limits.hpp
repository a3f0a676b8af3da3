#pragma once
// The limits of the classic dialogue: the largest counts it takes, and so
// the largest run that the classic program, its options and fit are for.
#include <string>

#include "analysis/run_data.hpp"

namespace coswitch {

inline constexpr int kMaxTimePoints = 50;
inline constexpr int kMaxReplicates = 50;
inline constexpr int kMaxBootstrap = 100;
inline constexpr int kMaxGenes = 60;

// Why p is beyond the classic dialogue's limits; empty when it is within.
std::string beyond_classic_limits(const RunParameters& p);

}  // namespace coswitch
