// A home folder of its own for a window test, removed afterwards.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace rz::test {

struct TempHome {
    std::filesystem::path dir;
    explicit TempHome(const std::string& tag = "rz_app") {
        static int n = 0;
        dir = std::filesystem::temp_directory_path() /
              (tag + "_" + std::to_string(::getpid()) + "_" + std::to_string(++n));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~TempHome() { std::filesystem::remove_all(dir); }
};

}  // namespace rz::test
