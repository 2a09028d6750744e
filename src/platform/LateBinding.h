// Libraries bound at their first use instead of linked. A linked library is
// loaded, relocated and torn down in every run, with all it brings, whether
// the run uses it or not; these serve commands most runs never give.
#pragma once

#include <dlfcn.h>

namespace inkvista {

// The library of `soname`, or null when it cannot be loaded. Never closed:
// its functions are kept for the whole run.
inline void* OpenLateLibrary(const char* soname) {
    return dlopen(soname, RTLD_NOW | RTLD_LOCAL);
}

// Points `function` at the library's `name`; false when it has none.
template <typename Function>
bool Bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// A table of `soname`'s functions, filled by `bind`, which answers whether
// it found them all; the table's `loaded` says whether it did.
template <typename Table>
Table BindLibrary(const char* soname, bool (*bind)(void* library, Table& table)) {
    Table table;
    void* library = OpenLateLibrary(soname);
    table.loaded = library && bind(library, table);
    return table;
}

}  // namespace inkvista
