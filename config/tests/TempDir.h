// A private temporary directory for a test, removed with everything in it
// when the object goes; and reading a whole file as text.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

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

private:
    std::string dir;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
