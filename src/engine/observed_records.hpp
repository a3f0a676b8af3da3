#pragma once
// What a scan keeps of a pair between its observed statistics and its
// report: 12 bytes, the dependence statistic and one 32-bit word, its
// phase in the top two bits and a 30-bit value below them: the pair's
// estimated bootstrap cost until the bootstrap pass is planned, its
// position in the pair order from then on. The pair's correlation is not
// kept with it: it is computed again from the two genes' values when it is
// wanted, far faster than any fit, to the very same bits.
#include <cstdint>
#include <vector>

namespace coswitch {

#pragma pack(push, 1)
struct ObservedRecord {
    double stat = 0;
    std::uint32_t meta = 0;
};
#pragma pack(pop)
static_assert(sizeof(ObservedRecord) == 12);

inline constexpr int kMetaValueBits = 30;
inline constexpr std::uint32_t kMetaValueMask = (std::uint32_t{1} << kMetaValueBits) - 1;
// Pairs whose positions the 30 bits hold: 46,341 genes have fewer.
inline constexpr std::int64_t kMaxRecordPairs = std::int64_t{1} << kMetaValueBits;

// phase: +1, -1 or 0, as pair_phase gives it.
inline std::uint32_t make_meta(std::uint32_t value, std::int32_t phase) {
    const std::uint32_t code = phase > 0 ? 1u : phase < 0 ? 2u : 0u;
    return (code << kMetaValueBits) | (value & kMetaValueMask);
}
inline std::uint32_t meta_value(std::uint32_t meta) { return meta & kMetaValueMask; }
inline std::int8_t meta_phase(std::uint32_t meta) {
    const std::uint32_t code = meta >> kMetaValueBits;
    return code == 1 ? std::int8_t{1} : code == 2 ? std::int8_t{-1} : std::int8_t{0};
}

// Largest first, not-a-number last; equal statistics in no fixed order.
void sort_best_first(std::vector<ObservedRecord>& records);
void sort_best_first(std::vector<double>& values);

}  // namespace coswitch
