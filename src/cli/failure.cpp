#include "cli/failure.hpp"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "io/errors.hpp"

namespace coswitch {
namespace {
void report(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "coswitch: %s\n", message.c_str());
}
}  // namespace

int report_failure() {
    try {
        throw;
    } catch (const InternalStop& e) {
        std::fputs(e.diagnostics.c_str(), stdout);
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return e.status;
    } catch (const RunError& e) {
        report(e.what());
        return e.status;
    } catch (const std::bad_alloc&) {
        report("out of memory");
        return kExitFiles;
    } catch (const std::exception& e) {
        report(std::string("internal error: ") + e.what());
        return kExitInternal;
    } catch (...) {
        report("internal error");
        return kExitInternal;
    }
}

}  // namespace coswitch
