// Stream manipulators of the log lines and status dumps: octets and unsigned
// numbers in hexadecimal, an object's log header or short description, and a
// value in double quotes.
//     os << ext::hex(data, length) << ext::hex(value, 4) << ext::header(this);
#pragma once

#include <cstdint>
#include <ostream>

namespace ext {

// "0A FF 00 ": two upper-case digits and a blank per octet.
class OutBufInHex {
public:
    OutBufInHex(const std::uint8_t* begin, const std::uint8_t* end) : first(begin), last(end) {}
    void put(std::ostream& os) const;

private:
    const std::uint8_t* first;
    const std::uint8_t* last;
};

// "0x" and the value in upper-case digits, zero-padded to the width.
class OutUnsignedInHex {
public:
    OutUnsignedInHex(unsigned value, unsigned width) : value(value), width(width) {}
    void put(std::ostream& os) const;

private:
    unsigned value;
    unsigned width;
};

// Writes the object's line prefix through its PutHeader(std::ostream&) const.
template <class T>
class OutObjHeader {
public:
    explicit OutObjHeader(const T& object) : object(object) {}
    void put(std::ostream& os) const { object.PutHeader(os); }

private:
    const T& object;
};

// Writes the object's short description through its PutShortInfo(std::ostream&) const.
template <class T>
class OutShortInfo {
public:
    explicit OutShortInfo(const T& object) : object(object) {}
    void put(std::ostream& os) const { object.PutShortInfo(os); }

private:
    const T& object;
};

template <class T>
class OutQuoted {
public:
    explicit OutQuoted(const T& value) : value(value) {}
    void put(std::ostream& os) const { os << '"' << value << '"'; }

private:
    const T& value;
};

inline OutBufInHex hex(const std::uint8_t* begin, const std::uint8_t* end) {
    return OutBufInHex(begin, end);
}
inline OutBufInHex hex(const char* data, unsigned length) {
    const auto* octets = reinterpret_cast<const std::uint8_t*>(data);
    return OutBufInHex(octets, octets + length);
}
inline OutUnsignedInHex hex(unsigned value, unsigned width) {
    return OutUnsignedInHex(value, width);
}

template <class T>
OutObjHeader<T> header(const T* object) {
    return OutObjHeader<T>(*object);
}
template <class T>
OutShortInfo<T> shortinfo(const T* object) {
    return OutShortInfo<T>(*object);
}
template <class T>
OutQuoted<T> quoted(const T& value) {
    return OutQuoted<T>(value);
}

inline std::ostream& operator<<(std::ostream& os, const OutBufInHex& m) {
    m.put(os);
    return os;
}
inline std::ostream& operator<<(std::ostream& os, const OutUnsignedInHex& m) {
    m.put(os);
    return os;
}
template <class T>
std::ostream& operator<<(std::ostream& os, const OutObjHeader<T>& m) {
    m.put(os);
    return os;
}
template <class T>
std::ostream& operator<<(std::ostream& os, const OutShortInfo<T>& m) {
    m.put(os);
    return os;
}
template <class T>
std::ostream& operator<<(std::ostream& os, const OutQuoted<T>& m) {
    m.put(os);
    return os;
}

}  // namespace ext
