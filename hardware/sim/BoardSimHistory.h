// What a simulated driver was sent, newest last, kept to a fixed number of
// entries: a daemon left running on the simulated board for weeks holds flat
// memory, while a test still reads back what its own steps sent.
#pragma once

#include <cstddef>
#include <deque>

namespace Board {

template <class T>
class SimHistory {
public:
    // The longest read-back of any test is 15 requests; 256 of the largest
    // entry, a driver request with its record, take 12 KB.
    static constexpr std::size_t bound = 256;

    using const_iterator = typename std::deque<T>::const_iterator;

    // At the bound, the oldest entry makes room.
    void Add(const T& entry) {
        if (entries.size() == bound) entries.pop_front();
        entries.push_back(entry);
    }
    void Clear() { entries.clear(); }

    const_iterator begin() const { return entries.begin(); }
    const_iterator end() const { return entries.end(); }
    std::size_t size() const { return entries.size(); }

private:
    // A deque gives back the blocks its front leaves, so the memory stays
    // that of the newest entries however many pass through.
    std::deque<T> entries;
};

}  // namespace Board
