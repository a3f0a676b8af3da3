#include "table/table_files.hpp"

#include <zlib.h>

#include <stdexcept>

#include "io/errors.hpp"

namespace coswitch::testing {

std::string gzip(const std::string& text) {
    z_stream s{};
    if (deflateInit2(&s, 6, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&s, text.size()), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    s.avail_in = static_cast<uInt>(text.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    if (deflate(&s, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

NamedTable header_only_table(const std::vector<std::string>& samples) {
    NamedTable t;
    t.name = "t.tsv";
    t.samples = samples;
    return t;
}

NamedTable table_from(const ScratchDir& dir, const std::string& text, const std::string& name) {
    const bool gz = name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0;
    write_file(dir / name, gz ? gzip(text) : text);
    return read_named_table((dir / name).string(), name);
}

std::string input_error(const std::function<void()>& f) {
    try {
        f();
    } catch (const RunError& e) {
        if (e.status != kExitInput) return "wrong status: " + std::string(e.what());
        return e.what();
    }
    return "";
}

::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" not in: " << text;
}

}  // namespace coswitch::testing
