// Libraries bound at their first use instead of linked. A linked library is
// loaded, relocated and torn down in every run, with all it brings, whether
// the run uses it or not; these serve commands most runs never give.
#pragma once

#include <dlfcn.h>

namespace inkvista {

// Points `function` at the library's `name`; false when it has none.
template <typename Function>
bool Bind(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// A table of `soname`'s functions, filled by `bind`, which answers whether
// it found them all; the table's `loaded` says whether it did. The library
// is never closed: its functions are kept for the whole run.
template <typename Table>
Table BindLibrary(const char* soname, bool (*bind)(void* library, Table& table)) {
    Table table;
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    table.loaded = library && bind(library, table);
    return table;
}

}  // namespace inkvista

// A table `Table` of the functions that `FUNCTIONS` names (an X-macro list:
// FUNCTIONS(X) is X(f) for each), each typed from the library header's own
// declaration, with `Table::Load(soname)` binding them all.
#define INKVISTA_LATE_MEMBER(name) decltype(&::name) name = nullptr;
#define INKVISTA_LATE_BIND(name) &&::inkvista::Bind(library, #name, table.name)
#define INKVISTA_LATE_LIBRARY(Table, FUNCTIONS)                                             \
    struct Table {                                                                          \
        FUNCTIONS(INKVISTA_LATE_MEMBER)                                                     \
        bool loaded = false;                                                                \
        static Table Load(const char* soname) {                                             \
            return ::inkvista::BindLibrary<Table>(soname, [](void* library, Table& table) { \
                return true FUNCTIONS(INKVISTA_LATE_BIND);                                  \
            });                                                                             \
        }                                                                                   \
    }
