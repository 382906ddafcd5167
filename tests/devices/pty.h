// A pseudo-terminal pair for the serial tests: the port opens the slave by its path, the test
// writes the tablet's bytes into the master. Both ends stay open here until the test closes them.
#pragma once

#include <pty.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace rz::test {

struct Pty {
    int master = -1, slave = -1;
    std::string path;
    Pty() {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
    }
    ~Pty() { hangUp(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    bool write(const std::vector<uint8_t>& b) const {
        size_t at = 0;
        while (at < b.size()) {
            ssize_t n = ::write(master, b.data() + at, b.size() - at);
            if (n <= 0) return false;
            at += size_t(n);
        }
        return true;
    }
    // What a pulled adapter looks like to the port: the other end goes away.
    void hangUp() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
        slave = master = -1;
    }
};

}  // namespace rz::test
