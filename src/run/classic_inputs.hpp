#pragma once
// The classic run's input files written from memory, so that the classic
// program reads back exactly the values held here.
#include <string>

#include "analysis/run_data.hpp"
#include "io/new_file.hpp"

namespace coswitch {

// The texts of realdata.txt, para1.txt, para2.txt and answers.txt; every
// number in its shortest exact form.
std::string realdata_text(const RunParameters& p, const Inputs& in);
std::string para_text(const RunParameters& p, const Array<double, 2>& para);
std::string answers_text(const RunParameters& p);

// The four files into the new folder, which the caller places (with the
// results, so that both appear or neither); RunError(kExitInput) when p is
// beyond the classic limits or the inputs hold a missing value.
void write_classic_folder(const NewDirectory& folder, const RunParameters& p, const Inputs& in);

}  // namespace coswitch
