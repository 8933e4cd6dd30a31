#pragma once
// Fixed-capacity arrays indexed from a chosen lower bound. Every index is checked: one outside the
// bounds throws ListIndexError instead of touching memory.

#include <array>
#include <cstddef>
#include <string>

#include "core/action_error.h"

namespace tem {

template <class T, int Lo, int Hi> class BoundedArray {
    static_assert(Hi >= Lo);

  public:
    static constexpr int low = Lo;
    static constexpr int high = Hi;
    static constexpr std::size_t capacity = std::size_t(Hi - Lo + 1);

    T& operator[](int i) { return items_[offset(i)]; }
    const T& operator[](int i) const { return items_[offset(i)]; }

    static constexpr bool contains(int i) { return i >= Lo && i <= Hi; }
    void fill(const T& v) { items_.fill(v); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    bool operator==(const BoundedArray&) const = default;

  private:
    static std::size_t offset(int i)
    {
        if (i < Lo || i > Hi)
            throw ListIndexError("List index out of bounds (" + std::to_string(i) + "), allowed " +
                                 std::to_string(Lo) + ".." + std::to_string(Hi));
        return std::size_t(i - Lo);
    }
    std::array<T, capacity> items_{};
};

/// Entries 1..N.
template <class T, int N> using OneBased = BoundedArray<T, 1, N>;

/// Entries 0..N-1.
template <class T, int N> using ZeroBased = BoundedArray<T, 0, N - 1>;

} // namespace tem
