#pragma once
// Flat storage with 1-based indices, first index fastest: the layout every
// table of the program is handed over in.
#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace coswitch {

template <class T, std::size_t Rank>
class Array {
public:
    Array() { extent_.fill(0); }

    template <class... Ext>
    explicit Array(Ext... ext) { resize(ext...); }

    // An extent below 0 is taken as 0. Throws std::bad_alloc when the
    // elements could not even be counted in 64 bits.
    template <class... Ext>
    void resize(Ext... ext) {
        static_assert(sizeof...(Ext) == Rank, "wrong number of extents");
        std::size_t k = 0;
        std::size_t total = 1;
        ((extent_[k++] = ext < 0 ? 0 : static_cast<std::size_t>(ext)), ...);
        for (std::size_t e : extent_) {
            if (e != 0 && total > SIZE_MAX / sizeof(T) / e) throw std::bad_alloc();
            total *= e;
        }
        data_.assign(total, T{});
    }

    template <class... Idx>
    T& operator()(Idx... idx) { return data_[offset(idx...)]; }
    template <class... Idx>
    const T& operator()(Idx... idx) const { return data_[offset(idx...)]; }

    T* data() { return data_.data(); }
    const T* data() const { return data_.data(); }
    std::size_t size() const { return data_.size(); }
    std::size_t extent(std::size_t d) const { return extent_[d]; }

private:
    template <class... Idx>
    std::size_t offset(Idx... idx) const {
        static_assert(sizeof...(Idx) == Rank, "wrong number of indices");
        const std::array<long, Rank> i{static_cast<long>(idx)...};
        std::size_t off = 0;
        std::size_t stride = 1;
        for (std::size_t d = 0; d < Rank; ++d) {
            off += static_cast<std::size_t>(i[d] - 1) * stride;
            stride *= extent_[d];
        }
        return off;
    }

    std::array<std::size_t, Rank> extent_{};
    std::vector<T> data_;
};

// Fixed 4x4 and 2x2 tables, also 1-based with the first index fastest.
template <int R, int C>
struct Table {
    std::array<double, R * C> v{};
    double& operator()(int i, int j) { return v[(i - 1) + R * (j - 1)]; }
    double operator()(int i, int j) const { return v[(i - 1) + R * (j - 1)]; }
    double* data() { return v.data(); }
    const double* data() const { return v.data(); }
};
using Table4 = Table<4, 4>;
using Table2 = Table<2, 2>;
using Vec4 = std::array<double, 4>;  // index k stored at [k-1]

}  // namespace coswitch
