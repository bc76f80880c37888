#pragma once
// The class library's "set of" an enumeration: a small bit set over an enum whose values run from 0.
#include <bitset>
#include <cstddef>
#include <initializer_list>
#include <iterator>

template <class E, std::size_t N = 32>
class Set {
public:
    constexpr Set() = default;
    constexpr Set(std::initializer_list<E> items) {
        for (E e : items)
            FBits |= Bit(e);
    }
    static constexpr Set FromBits(unsigned long long bits) {
        Set s;
        s.FBits = bits;
        return s;
    }
    constexpr unsigned long long Bits() const { return FBits; }

    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr Set& Include(E e) {
        FBits |= Bit(e);
        return *this;
    }
    constexpr Set& Exclude(E e) {
        FBits &= ~Bit(e);
        return *this;
    }
    constexpr std::size_t Count() const { return std::bitset<64>(FBits).count(); }

    constexpr Set operator+(Set o) const { return FromBits(FBits | o.FBits); }  // union
    constexpr Set operator-(Set o) const { return FromBits(FBits & ~o.FBits); }  // difference
    constexpr Set operator*(Set o) const { return FromBits(FBits & o.FBits); }  // intersection
    constexpr Set& operator+=(Set o) { return *this = *this + o; }
    constexpr Set& operator-=(Set o) { return *this = *this - o; }
    constexpr Set& operator*=(Set o) { return *this = *this * o; }
    constexpr bool operator==(const Set&) const = default;
    constexpr bool operator<=(Set o) const { return (FBits & ~o.FBits) == 0; }  // subset

    // Iterates the members in ascending order.
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = E;
        using difference_type = std::ptrdiff_t;
        using pointer = const E*;
        using reference = E;
        iterator(unsigned long long bits, std::size_t i) : FBits(bits), FIndex(i) { Skip(); }
        E operator*() const { return static_cast<E>(FIndex); }
        iterator& operator++() {
            ++FIndex;
            Skip();
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const iterator& o) const { return FIndex == o.FIndex; }

    private:
        void Skip() {
            while (FIndex < N && !(FBits & (1ull << FIndex)))
                ++FIndex;
        }
        unsigned long long FBits;
        std::size_t FIndex;
    };
    iterator begin() const { return iterator(FBits, 0); }
    iterator end() const { return iterator(FBits, N); }

private:
    static_assert(N <= 64, "Set holds at most 64 members");
    static constexpr unsigned long long Bit(E e) { return 1ull << static_cast<unsigned>(e); }
    unsigned long long FBits = 0;
};
