#include "names.h"

namespace pdiset {

NameRules host_name_rules() { return NameRules::kPosix; }

}  // namespace pdiset
