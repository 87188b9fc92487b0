// A private temporary directory for a test, removed with everything in it
// when the object goes; and a whole file read as text.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace TestSupport {

class TempDir {
public:
    TempDir() {
        char templ[] = "/tmp/halvox-test-XXXXXX";
        if (!::mkdtemp(templ)) throw std::runtime_error("mkdtemp failed");
        dir = templ;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return dir; }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

// The file's whole text; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace TestSupport
