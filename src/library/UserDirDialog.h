// The user-folder dialog's memory: the folder last expanded in its tree,
// kept across openings for one run of the program.
#pragma once

#include "settings/UserDir.h"

namespace inkvista {

UserDir& ExpandedFolderPath();

}  // namespace inkvista
