// Times ValidateFlipbookFile in-process, without the start-up cost of a
// program run: brivane-validate-bench FILE [RUNS]. Prints the median, the
// fastest and the slowest call in microseconds, the bytes one call reads
// from files, then the answer.

#include "base/FileUrl.h"
#include "document/FlipbookMeta.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Bytes this process has read through system calls so far (Linux).
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = -1;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const auto url = brivane::FileUrlFromPath(std::filesystem::absolute(argv[1]).string());
    if (!url) return 2;
    const int runs = argc > 2 ? std::max(1, std::stoi(argv[2])) : 200;
    std::vector<double> micros;
    std::string answer;
    const long long before = BytesRead();
    answer = brivane::document::CheckCode(brivane::document::ValidateFlipbookFile(*url));
    const long long perCall = BytesRead() - before;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        answer = brivane::document::CheckCode(brivane::document::ValidateFlipbookFile(*url));
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("%.1f %.1f %.1f %lld %s\n", micros[micros.size() / 2], micros.front(), micros.back(), perCall,
                answer.empty() ? "OK" : answer.c_str());
    return 0;
}
