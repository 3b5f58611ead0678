#pragma once
// Whether a process has ended, for tests that kill readers.

#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace xdoc2txt::test {

// True once the process is gone (or a zombie that nobody reaps), within a
// generous safety limit.
inline bool ends(pid_t pid) {
    for (int i = 0; i < 1000; ++i) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string pidField, name, state;
        if (!(stat >> pidField >> name >> state) || state == "Z") return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace xdoc2txt::test
