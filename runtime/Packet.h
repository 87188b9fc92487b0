// Packet buffers: a reference-counted handle to one 64 KiB buffer from a
// fixed pool, with head room for headers and tail room for trailers, copied
// on first write while shared. A violated precondition ends the process
// after printing the packet's state.
#pragma once

#include "runtime/List_allocator.h"
#include "runtime/Smart_pointer.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

constexpr unsigned packet_max_size = 0x10000;

// One buffer. The payload is [fdata, ftail); the room before it is headroom,
// the room after it tailroom.
class _Packet {
public:
    // All headroom, no payload and no tailroom. The buffer is not touched.
    _Packet() : ref_count(0), fdata(buffer + packet_max_size), ftail(fdata) {}
    // Same offsets, payload octets only; the caller sets the count.
    _Packet(const _Packet& other);
    _Packet& operator=(const _Packet&) = delete;

    // Blocks come from the pool; an empty pool throws std::bad_alloc.
    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;

private:
    friend class Smart_pointer<_Packet>;
    friend class Packet;
    friend class PacketInfo;

    std::uint32_t ref_count;
    unsigned char* fdata;
    unsigned char* ftail;
    unsigned char buffer[packet_max_size];
};

using PacketPool = List_allocator<_Packet, 1024, Dummy_critical_section>;

// Null until its first reserve_head/reserve_tail or until a handle with a
// buffer is assigned to it. Operations that change the buffer unshare it
// first; read-only ones never copy.
class Packet : public Smart_pointer<_Packet> {
public:
    Packet() = default;

    unsigned length() const { return ptr ? _length() : 0; }
    bool empty() const { return length() == 0; }
    bool operator<(unsigned n) const { return length() < n; }
    unsigned tailroom() const;
    unsigned char* data();
    unsigned char* tail();
    void clear() { clean(); }

    // On a null packet: takes a buffer with headroom n (reserve_head) or
    // tailroom n (reserve_tail) and no payload. On a buffer: shifts the
    // window n octets towards the end (head) or the start (tail) without
    // moving the octets; the window must stay inside the buffer.
    void reserve_head(unsigned n);
    void reserve_tail(unsigned n);

    // Prepend: the returned pointer is where the caller writes n octets.
    unsigned char* push(unsigned n);
    void push8(std::uint8_t v);
    void push16_b(std::uint16_t v);  // the packet then begins high octet first

    // Append: the returned pointer is where the caller writes n octets.
    unsigned char* put(unsigned n);
    void put8(std::uint8_t v);
    void put16(std::uint16_t v);    // low octet first
    void put16_b(std::uint16_t v);  // high octet first
    void put(const Packet& other);
    // One length octet, then the text; a longer text is cut to 255 octets.
    void put(const std::string& s);

    // Consume from the front: the returned pointer is the removed octets.
    unsigned char* pull(unsigned n);
    std::uint8_t pull8();  // 0, consuming nothing, when empty
    std::uint16_t pull16() { return pull16_l(); }
    std::uint16_t pull16_l();  // low octet first
    std::uint16_t pull16_b();  // high octet first
    // Inverse of put(const std::string&); octets missing at the end read as 0.
    std::string pull_string();

    // Drops n octets from the end; returns the new tail.
    unsigned char* trim(unsigned n);
    // A packet of its own holding octets [start, start + len), at the same
    // offsets in its buffer; this packet is unchanged.
    Packet sub(unsigned len, unsigned start) const;

    unsigned char& operator[](int i);
    const unsigned char& operator[](int i) const;

    // "01 AB"; "(null)" without a buffer, "(bad)" when the pointers are broken.
    std::string text() const;
    // "head=H, data=L, tail=T"; false for a null packet.
    bool dump(std::ostream& out) const;
    // "dump: 1 ab" (lower-case hexadecimal); false for a null or broken packet.
    bool dump_context(std::ostream& out) const;

    // Ends the process with the packet's state when condition is false.
    void passert(bool condition, const char* message) const {
        if (!condition) assertion_failed(message);
    }
    // Verifies the pointers after an operation.
    void check(const char* operation) const;
    [[noreturn]] static void check_fail(const char* format, ...)
        __attribute__((format(printf, 1, 2)));

private:
    friend class PacketInfo;

    unsigned _headroom() const { return unsigned(ptr->fdata - ptr->buffer); }
    unsigned _length() const { return unsigned(ptr->ftail - ptr->fdata); }
    unsigned _tailroom() const { return unsigned(ptr->buffer + packet_max_size - ptr->ftail); }
    bool pointers_valid() const;
    // Asserts a buffer and unshares it.
    _Packet& writable();
    [[noreturn]] void assertion_failed(const char* message) const;
};

std::ostream& operator<<(std::ostream& out, const Packet& p);

// What a packet looked like when an assertion failed.
class PacketInfo {
public:
    explicit PacketInfo(const Packet& p);
    void put(std::ostream& out) const;

private:
    long data_pos = 0;
    long tail_pos = 0;
    std::vector<unsigned char> copy;  // the payload, when the pointers are sound
    bool is_null;
};

std::ostream& operator<<(std::ostream& out, const PacketInfo& info);
