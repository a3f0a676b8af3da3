// The free-form reader of realdata.txt, para1.txt and para2.txt. The first
// bytes choose the number of reads, the values per read and the rule on
// standard deviations; the rest is the file.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.hpp"
#include "run/readers.hpp"

using namespace coswitch;
using coswitch::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const long long reads = static_cast<long long>(data[0] % 9) - 1;  // -1 to 7
    const int count = static_cast<int>(data[1] % 10) - 1;              // -1 to 8
    const bool deviations = data[2] & 1;
    const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    long long last_read = 0;
    int last_index = 0;
    long long stored = 0;
    try {
        parse_free_form(
            text, "in.txt", reads, count,
            [&](long long rd, int k, double v) {
                require(std::isfinite(v), "finite value");
                require(rd >= 1 && rd <= reads && k >= 1 && k <= count, "index in range");
                require(rd > last_read ? k == 1 : (rd == last_read && k == last_index + 1),
                        "values in order");
                require(!(deviations && rd == 2 && v < 0), "negative deviation stored");
                last_read = rd;
                last_index = k;
                ++stored;
            },
            [](long long rd) { return "read " + std::to_string(rd); },
            [&](long long rd, int, double v, std::string_view) {
                return deviations && rd == 2 && v < 0 ? std::string("negative") : std::string();
            });
    } catch (const RunError& e) {
        coswitch::fuzz::check_diagnostic(e);
        return 0;
    }
    require(stored == (reads > 0 && count > 0 ? reads * count : 0), "every value stored");
    return 0;
}
