#pragma once
// A full check of an open archive, as `kvq check` reports it: the structural rules, then what only
// the key can show (names and comments that decrypt to a terminated, zero-filled text whose sort keys
// match), stale derived counts, and every chunk and thumbnail read back.
#include "Validate.h"

#include <vector>

namespace quorvane {

class CCodeArchive;

std::vector<Finding> CheckArchive(CCodeArchive& archive);

} // namespace quorvane
