// Sequence number modulo Mask + 1 (Mask is 2^k - 1), with the window test of
// the link layers' 7-bit send and receive numbers: a <= b <= c is true when
// b lies in the cyclic window running forward from a to c, both included.
#pragma once

template <class T, T Mask>
class Cyclic {
public:
    // The left half of a chained a <= b <= c; compares nothing by itself.
    struct LessEqPair {
        Cyclic first;
        Cyclic second;
        bool operator<=(Cyclic c) const { return T(second - first) <= T(c - first); }
    };

    Cyclic() : value(0) {}
    Cyclic(T v) : value(v & Mask) {}

    Cyclic operator+(const Cyclic& other) const { return Cyclic(value + other.value); }
    // Unsigned wrap, then the mask: 2 - 5 is 125.
    Cyclic operator-(const Cyclic& other) const { return Cyclic(value - other.value); }
    Cyclic& operator++() {
        value = (value + 1) & Mask;
        return *this;
    }
    Cyclic operator++(int) {
        Cyclic old(*this);
        ++*this;
        return old;
    }
    Cyclic& operator--() {
        value = (value - 1) & Mask;
        return *this;
    }
    operator T() const { return value; }

    LessEqPair operator<=(Cyclic b) const { return LessEqPair{*this, b}; }

private:
    T value;
};
