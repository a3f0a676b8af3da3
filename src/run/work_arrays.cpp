#include "run/work_arrays.hpp"

namespace coswitch {

Inputs sized_inputs(const RunParameters& p) {
    Inputs in;
    in.MODTCELL44.resize(data_rows(p), p.NGENE);
    in.PARA1.resize(2, parameter_columns(p));
    in.PARA2.resize(2, parameter_columns(p));
    return in;
}

}  // namespace coswitch
