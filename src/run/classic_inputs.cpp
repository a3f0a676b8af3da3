#include "run/classic_inputs.hpp"

#include "io/errors.hpp"
#include "io/number_text.hpp"
#include "io/text_out.hpp"
#include "run/classic_limits.hpp"

namespace coswitch {

std::string realdata_text(const RunParameters& p, const Inputs& in) {
    std::string out;
    for (int m = 1; m <= p.NTIME * p.NREP; ++m) {
        for (int g = 1; g <= p.NGENE; ++g)
            out += (g > 1 ? " " : "") + shortest_text(in.MODTCELL44(m, g));
        out += "\n";
    }
    return out;
}

std::string para_text(const RunParameters& p, const Array<double, 2>& para) {
    std::string out;
    for (int row = 1; row <= 2; ++row) {
        for (int c = 1; c <= parameter_columns(p); ++c)
            out += (c > 1 ? " " : "") + shortest_text(para(row, c));
        out += "\n";
    }
    return out;
}

std::string answers_text(const RunParameters& p) {
    return std::string(1, p.FLAG) + "\n" + std::to_string(p.NTIME) + "\n" +
           std::to_string(p.NREP) + "\n" + std::to_string(p.NBOOT) + "\n" +
           std::to_string(p.NGENE) + "\n";
}

void write_classic_folder(const NewDirectory& folder, const RunParameters& p, const Inputs& in) {
    const std::string why = beyond_classic_limits(p);
    if (!why.empty())
        throw RunError(kExitInput, "--write-classic: the classic run cannot take " + why);
    if (!in.gaps.empty())
        throw RunError(kExitInput,
                       "--write-classic: the classic run cannot take missing values; give "
                       "--missing drop to keep only the genes without one");
    write_folder_file(folder, "realdata.txt", realdata_text(p, in));
    write_folder_file(folder, "para1.txt", para_text(p, in.PARA1));
    write_folder_file(folder, "para2.txt", para_text(p, in.PARA2));
    write_folder_file(folder, "answers.txt", answers_text(p));
}

}  // namespace coswitch
