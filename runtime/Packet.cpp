#include "runtime/Packet.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

_Packet::_Packet(const _Packet& other)
    : ref_count(0),
      fdata(buffer + (other.fdata - other.buffer)),
      ftail(buffer + (other.ftail - other.buffer)) {
    std::memcpy(fdata, other.fdata, std::size_t(other.ftail - other.fdata));
}

void* _Packet::operator new(std::size_t) {
    if (_Packet* block = PacketPool::allocate()) return block;
    throw std::bad_alloc();
}

void _Packet::operator delete(void* p) noexcept {
    PacketPool::deallocate(static_cast<_Packet*>(p));
}

unsigned Packet::tailroom() const {
    passert(ptr, "null packet");
    return _tailroom();
}

_Packet& Packet::writable() {
    passert(ptr, "null packet");
    prepare_for_modify();
    return *ptr;
}

unsigned char* Packet::data() { return writable().fdata; }

unsigned char* Packet::tail() { return writable().ftail; }

void Packet::reserve_head(unsigned n) {
    passert(n <= packet_max_size, "length>packet_max_size");
    if (!ptr) {
        Smart_pointer::operator=(new _Packet);
        ptr->fdata = ptr->ftail = ptr->buffer + n;
        return;
    }
    // The tail is what moves towards the buffer end, so tailroom bounds n.
    passert(n <= _tailroom(), "new_len>packet_max_size");
    _Packet& b = writable();
    b.fdata += n;
    b.ftail += n;
}

void Packet::reserve_tail(unsigned n) {
    passert(n <= packet_max_size, "len>packet_max_size");
    if (!ptr) {
        Smart_pointer::operator=(new _Packet);
        ptr->fdata = ptr->ftail = ptr->buffer + (packet_max_size - n);
        return;
    }
    passert(n <= _headroom(), "_tailroom()+len <= packet_max_size");
    _Packet& b = writable();
    b.fdata -= n;
    b.ftail -= n;
}

unsigned char* Packet::push(unsigned n) {
    passert(ptr, "null packet");
    passert(n <= _headroom(), "len<=_headroom()");
    _Packet& b = writable();
    b.fdata -= n;
    check("push");
    return b.fdata;
}

void Packet::push8(std::uint8_t v) { *push(1) = v; }

void Packet::push16_b(std::uint16_t v) {
    push8(std::uint8_t(v & 0xFF));
    push8(std::uint8_t(v >> 8));
}

unsigned char* Packet::put(unsigned n) {
    passert(ptr, "null packet");
    passert(n <= _tailroom(), "len<=_tailroom()");
    _Packet& b = writable();
    unsigned char* at = b.ftail;
    b.ftail += n;
    check("put");
    return at;
}

void Packet::put8(std::uint8_t v) { *put(1) = v; }

void Packet::put16(std::uint16_t v) {
    unsigned char* at = put(2);
    at[0] = std::uint8_t(v & 0xFF);
    at[1] = std::uint8_t(v >> 8);
}

void Packet::put16_b(std::uint16_t v) {
    unsigned char* at = put(2);
    at[0] = std::uint8_t(v >> 8);
    at[1] = std::uint8_t(v & 0xFF);
}

void Packet::put(const Packet& other) {
    unsigned n = other.length();
    if (n == 0) return;
    // Hold the source buffer: when other is this handle, unsharing below
    // would otherwise release the octets being copied.
    Packet source(other);
    unsigned char* at = put(n);
    std::memcpy(at, source.ptr->fdata, n);
}

void Packet::put(const std::string& s) {
    std::size_t n = std::min<std::size_t>(s.size(), 255);
    unsigned char* at = put(unsigned(n) + 1);
    at[0] = std::uint8_t(n);
    std::memcpy(at + 1, s.data(), n);
}

unsigned char* Packet::pull(unsigned n) {
    passert(ptr, "null packet");
    passert(n <= _length(), "len<=_length()");
    _Packet& b = writable();
    unsigned char* at = b.fdata;
    b.fdata += n;
    return at;
}

std::uint8_t Packet::pull8() {
    passert(ptr, "null packet");
    return _length() ? *pull(1) : 0;
}

std::uint16_t Packet::pull16_l() {
    std::uint16_t low = pull8();
    std::uint16_t high = pull8();
    return std::uint16_t(low | high << 8);
}

std::uint16_t Packet::pull16_b() {
    std::uint16_t high = pull8();
    std::uint16_t low = pull8();
    return std::uint16_t(high << 8 | low);
}

std::string Packet::pull_string() {
    unsigned n = pull8();
    unsigned present = std::min(n, _length());
    std::string s(reinterpret_cast<const char*>(pull(present)), present);
    s.resize(n, '\0');
    return s;
}

unsigned char* Packet::trim(unsigned n) {
    passert(ptr, "null packet");
    passert(n <= _length(), "len<=_length()");
    _Packet& b = writable();
    b.ftail -= n;
    check("trim");
    return b.ftail;
}

Packet Packet::sub(unsigned len, unsigned start) const {
    passert(ptr, "null packet");
    passert(start <= _length(), "start<=_length()");
    passert(len <= _length() - start, "start+len<=_length()");
    // A new buffer with only the wanted octets, at their offsets in this one.
    Packet part;
    part.Smart_pointer::operator=(new _Packet);
    part.ptr->fdata = part.ptr->buffer + (_headroom() + start);
    part.ptr->ftail = part.ptr->fdata + len;
    std::memcpy(part.ptr->fdata, ptr->fdata + start, len);
    return part;
}

unsigned char& Packet::operator[](int i) {
    passert(ptr, "null packet");
    passert(i >= 0 && unsigned(i) < _length(), "index out of range");
    return writable().fdata[i];
}

const unsigned char& Packet::operator[](int i) const {
    passert(ptr, "null packet");
    passert(i >= 0 && unsigned(i) < _length(), "index out of range");
    return ptr->fdata[i];
}

bool Packet::pointers_valid() const {
    auto start = reinterpret_cast<std::uintptr_t>(ptr->buffer);
    auto data = reinterpret_cast<std::uintptr_t>(ptr->fdata);
    auto tail = reinterpret_cast<std::uintptr_t>(ptr->ftail);
    return start <= data && data <= tail && tail <= start + packet_max_size;
}

std::string Packet::text() const {
    if (!ptr) return "(null)";
    if (!pointers_valid()) return "(bad)";
    std::string s;
    s.reserve(_length() * 3);
    char digits[3];
    for (const unsigned char* at = ptr->fdata; at != ptr->ftail; ++at) {
        if (!s.empty()) s += ' ';
        std::snprintf(digits, sizeof digits, "%02X", *at);
        s += digits;
    }
    return s;
}

std::ostream& operator<<(std::ostream& out, const Packet& p) { return out << p.text(); }

bool Packet::dump(std::ostream& out) const {
    if (!ptr) return false;
    out << "head=" << _headroom() << ", data=" << _length() << ", tail=" << _tailroom();
    return true;
}

bool Packet::dump_context(std::ostream& out) const {
    if (!ptr || !pointers_valid()) return false;
    if (_length() == 0) return true;
    std::ios_base::fmtflags flags = out.flags();
    out << "dump:" << std::hex;
    for (const unsigned char* at = ptr->fdata; at != ptr->ftail; ++at) out << ' ' << unsigned(*at);
    out.flags(flags);
    return true;
}

void Packet::check(const char* operation) const {
    if (!ptr) check_fail("after \"%s\" packet is null", operation);
    auto start = reinterpret_cast<std::uintptr_t>(ptr->buffer);
    auto end = start + packet_max_size;
    auto data = reinterpret_cast<std::uintptr_t>(ptr->fdata);
    auto tail = reinterpret_cast<std::uintptr_t>(ptr->ftail);
    if (data < start || data > end) check_fail("after \"%s\" fdata invalid", operation);
    if (tail < start || tail > end) check_fail("after \"%s\" ftail invalid", operation);
    if (data > tail) check_fail("after \"%s\" fdata>ftail", operation);
}

void Packet::check_fail(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::clog << "packet check fail" << std::endl << text << std::endl << "terminate." << std::endl;
    std::terminate();
}

void Packet::assertion_failed(const char* message) const {
    std::clog << "PACKET ASSERTION FAILED!" << std::endl;
    PacketInfo info(*this);
    std::clog << message << std::endl << info << std::endl;
    std::terminate();
}

PacketInfo::PacketInfo(const Packet& p) : is_null(p.null()) {
    if (is_null) return;
    // Read as addresses: the pointers may be anywhere.
    auto start = reinterpret_cast<std::uintptr_t>(p.ptr->buffer);
    data_pos = long(reinterpret_cast<std::uintptr_t>(p.ptr->fdata) - start);
    tail_pos = long(reinterpret_cast<std::uintptr_t>(p.ptr->ftail) - start);
    if (p.pointers_valid()) copy.assign(p.ptr->fdata, p.ptr->ftail);
}

void PacketInfo::put(std::ostream& out) const {
    if (is_null) {
        out << "(null)" << std::endl;
        return;
    }
    long size = packet_max_size;
    out << "head=" << data_pos << ", data=" << tail_pos - data_pos << ", tail=" << size - tail_pos
        << std::endl;
    if (0 > data_pos || data_pos > tail_pos || tail_pos > size) {
        out << "can't dump packet: wrong pointers" << std::endl;
        return;
    }
    if (copy.empty()) return;
    std::ios_base::fmtflags flags = out.flags();
    out << "dump:" << std::endl << std::hex;
    for (unsigned char octet : copy) out << ' ' << unsigned(octet);
    out.flags(flags);
    out << std::endl;
}

std::ostream& operator<<(std::ostream& out, const PacketInfo& info) {
    info.put(out);
    return out;
}
