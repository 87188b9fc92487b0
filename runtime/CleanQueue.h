// Fixed ring of N packets for the transmit, acknowledgement and
// retransmission queues of the link layers. It never allocates, and a slot
// is released as soon as it is emptied, so a queued packet holds its buffer
// no longer than it stays queued.
#pragma once

template <class T, unsigned N>
class CleanQueue {
public:
    // Appends at the end; false, changing nothing, when full.
    bool put(const T& p) {
        if (items == N) return false;
        ++items;
        slots[write] = p;
        write = inc_index(write);
        return true;
    }

    // Takes the oldest; false, leaving the destination alone, when empty.
    bool get(T* dest) { return get(*dest); }
    bool get(T& dest) {
        if (items == 0) return false;
        dest = slots[read];
        slots[read] = T();
        --items;
        read = inc_index(read);
        return true;
    }

    // The oldest without taking it; with no destination only reports that
    // the queue holds something.
    bool preview(T* dest) const {
        if (items == 0) return false;
        if (dest) *dest = slots[read];
        return true;
    }

    // Takes the newest.
    bool get_last(T* dest) {
        if (items == 0) return false;
        write = dec_index(write);
        *dest = slots[write];
        slots[write] = T();
        --items;
        return true;
    }

    // Puts a packet in front: it is the next one taken.
    bool append(const T& p) {
        if (items == N) return false;
        read = dec_index(read);
        slots[read] = p;
        ++items;
        return true;
    }

    bool empty() const { return items == 0; }
    unsigned count() const { return items; }
    unsigned size() const { return N; }

    void clear() {
        for (T& slot : slots) slot = T();
        read = write = items = 0;
    }

    unsigned inc_index(unsigned i) const { return i == N - 1 ? 0 : i + 1; }
    unsigned dec_index(unsigned i) const { return i == 0 ? N - 1 : i - 1; }

private:
    T slots[N];
    unsigned read = 0;   // the oldest packet
    unsigned write = 0;  // the slot the next put fills: (read + items) mod N
    unsigned items = 0;
};
