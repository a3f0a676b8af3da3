// The set-up dialogue's reading of answers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_check.hpp"
#include "run/dialogue.hpp"

using namespace coswitch;
using coswitch::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::FILE* out = std::fopen("/dev/null", "w");
    std::string text(reinterpret_cast<const char*>(data), size);
    text.push_back('\0');  // fmemopen needs a buffer of at least one byte
    std::FILE* in = ::fmemopen(text.data(), size, "r");
    if (in == nullptr) return 0;
    try {
        AnswerReader reader(in);
        const RunParameters p = run_dialogue(reader, out);
        require(p.FLAG == 'G' || p.FLAG == 'T', "mode");
        require(p.NTIME <= 50 && p.NREP <= 50 && p.NBOOT <= 100 && p.NGENE <= 60, "bounds");
    } catch (const RunError& e) {
        coswitch::fuzz::check_diagnostic(e);
    }
    std::fclose(in);
    return 0;
}
