// Collects what a standard stream receives while the object lives.
#pragma once

#include <ostream>
#include <sstream>
#include <string>

namespace TestSupport {

class StreamCapture {
public:
    explicit StreamCapture(std::ostream& captured) : stream(captured) {
        saved = stream.rdbuf(text.rdbuf());
    }
    ~StreamCapture() { stream.rdbuf(saved); }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    std::string str() const { return text.str(); }

private:
    std::ostream& stream;
    std::ostringstream text;
    std::streambuf* saved;
};

}  // namespace TestSupport
