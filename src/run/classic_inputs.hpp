#pragma once
// The classic run's input files written from memory, so that the classic
// program reads back exactly the values held here.
#include <string>

#include "analysis/run_data.hpp"

namespace coswitch {

// The texts of realdata.txt, para1.txt, para2.txt and answers.txt; every
// number in its shortest exact form.
std::string realdata_text(const RunParameters& p, const Inputs& in);
std::string para_text(const RunParameters& p, const Array<double, 2>& para);
std::string answers_text(const RunParameters& p);

// The four files as a new folder dir (it must not exist), complete or not
// at all; RunError(kExitInput) when p is beyond the classic limits or the
// inputs hold a missing value.
void write_classic_folder(const std::string& dir, const RunParameters& p, const Inputs& in);

}  // namespace coswitch
