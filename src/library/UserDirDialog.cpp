#include "library/UserDirDialog.h"

namespace inkvista {

UserDir& ExpandedFolderPath() {
    static UserDir path{};
    return path;
}

}  // namespace inkvista
