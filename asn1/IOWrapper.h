// Guards a value's own stream output and input the way standard formatted inserters and
// extractors are guarded: an exception from the writer or reader becomes the stream's
// state bits, and is thrown on only when the stream's exception mask asks for that bit.
#pragma once

#include <ios>
#include <istream>
#include <new>
#include <ostream>

template <class charT, class traits>
class IOWrapper {
public:
    virtual ~IOWrapper() = default;

    void do_it(std::basic_ios<charT, traits>& stream) {
        std::ios_base::iostate bits = std::ios_base::goodbit;
        try {
            bits = do_real_io();
        } catch (const std::bad_alloc&) {
            bits |= std::ios_base::badbit;
            if (stream.exceptions() & std::ios_base::badbit) {
                setQuietly(stream, bits);
                throw;
            }
        } catch (...) {
            bits |= std::ios_base::failbit;
            if (stream.exceptions() & std::ios_base::failbit) {
                setQuietly(stream, bits);
                throw;
            }
        }
        if (bits != std::ios_base::goodbit) stream.setstate(bits);
    }

private:
    virtual std::ios_base::iostate do_real_io() = 0;

    // The exception in flight is the one to pass on, not the stream's own.
    static void setQuietly(std::basic_ios<charT, traits>& stream, std::ios_base::iostate bits) {
        try {
            stream.setstate(bits);
        } catch (const std::ios_base::failure&) {
        }
    }
};

template <class charT, class traits, class T>
class InserterWrapper : public IOWrapper<charT, traits> {
public:
    InserterWrapper(std::basic_ostream<charT, traits>& os, const T& value)
        : os_(os), value_(value) {}

private:
    std::ios_base::iostate do_real_io() override {
        typename std::basic_ostream<charT, traits>::sentry ok(os_);
        return ok ? value_.print_on(os_) : std::ios_base::goodbit;
    }

    std::basic_ostream<charT, traits>& os_;
    const T& value_;
};

template <class charT, class traits, class T>
std::basic_ostream<charT, traits>& g_inserter(std::basic_ostream<charT, traits>& os,
                                              const T& value) {
    if (!os.good()) return os;
    InserterWrapper<charT, traits, T>(os, value).do_it(os);
    return os;
}

template <class charT, class traits, class T>
class ExtractorWrapper : public IOWrapper<charT, traits> {
public:
    ExtractorWrapper(std::basic_istream<charT, traits>& is, T& value) : is_(is), value_(value) {}

private:
    std::ios_base::iostate do_real_io() override {
        typename std::basic_istream<charT, traits>::sentry ok(is_);  // skips white space
        return ok ? value_.get_from(is_) : std::ios_base::goodbit;
    }

    std::basic_istream<charT, traits>& is_;
    T& value_;
};

template <class charT, class traits, class T>
std::basic_istream<charT, traits>& g_extractor(std::basic_istream<charT, traits>& is, T& value) {
    if (!is.good()) return is;
    ExtractorWrapper<charT, traits, T>(is, value).do_it(is);
    return is;
}
