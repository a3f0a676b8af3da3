#include "support/tables.hpp"

#include <cstdint>
#include <cstdio>

#include "support/run_program.hpp"

namespace coswitch::testing {

std::string switching_table(int genes, int times, int reps, unsigned seed, char sep) {
    std::string out = "id";
    for (int t = 1; t <= times; ++t)
        for (int r = 1; r <= reps; ++r)
            out += sep + ("t" + std::to_string(t) + "_r" + std::to_string(r));
    out += "\n";
    std::uint32_t x = seed * 2654435761u + 1;
    auto uniform = [&] {
        x = x * 1664525u + 1013904223u;
        return static_cast<double>(x >> 8) / 16777216.0;
    };
    for (int g = 1; g <= genes; ++g) {
        out += "gene-" + std::to_string(g) + ":x";
        const int period = 2 + g % 3;
        for (int t = 1; t <= times; ++t)
            for (int r = 1; r <= reps; ++r) {
                const bool high = ((t + (g / 2)) / period) % 2 == 1;
                char buf[32];
                std::snprintf(buf, sizeof buf, "%.3f", (high ? 5.0 : 2.0) + 1.2 * (uniform() - 0.5));
                out += sep + std::string(buf);
            }
        out += "\n";
    }
    return out;
}

std::map<std::string, std::string> folder_files(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename() != "run.tsv")
            files[e.path().filename().string()] = read_file(e.path());
    return files;
}

}  // namespace coswitch::testing
