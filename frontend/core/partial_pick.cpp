#include "partial_pick.h"

namespace quarnpad {

bool deleting_loses_files(bool delete_set, std::size_t picked, std::size_t listed) {
  return delete_set && picked < listed;
}

}  // namespace quarnpad
