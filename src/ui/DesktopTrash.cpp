// GIO rather than QFile::moveToTrash: Qt turns a file name into text on the
// way, and a name that is not UTF-8 (a Korean name in the code page, from an
// old card) comes back as another name, so the move fails and the book
// would be deleted outright. GIO keeps the path as bytes. Kept apart from
// the Qt sources: GLib's headers use the word Qt defines as "signals".
//
// GIO is bound at the first Delete, not linked: it brings seven libraries
// of its own, and loading them cost every start about a millisecond for a
// command most runs never give.
#include "ui/DesktopTrash.h"

#include <gio/gio.h>

#include "platform/LateBinding.h"

namespace inkvista {

namespace {

struct Gio {
    decltype(&g_file_new_for_path) newForPath = nullptr;
    decltype(&g_file_trash) trash = nullptr;
    decltype(&g_error_free) errorFree = nullptr;
    decltype(&g_object_unref) unref = nullptr;
    bool loaded = false;
};

const Gio& LoadGio() {
    static const Gio gio = BindLibrary<Gio>("libgio-2.0.so.0", [](void* library, Gio& bound) {
        return Bind(library, "g_file_new_for_path", bound.newForPath) &&
               Bind(library, "g_file_trash", bound.trash) &&
               Bind(library, "g_error_free", bound.errorFree) &&
               Bind(library, "g_object_unref", bound.unref);
    });
    return gio;
}

}  // namespace

bool MoveToDesktopTrash(const std::filesystem::path& hostFile) {
    const Gio& gio = LoadGio();
    // Without GIO there is no trash: the file is deleted as the device deletes it.
    if (!gio.loaded) return false;
    GFile* file = gio.newForPath(hostFile.c_str());
    GError* error = nullptr;
    const gboolean moved = gio.trash(file, nullptr, &error);
    if (error) gio.errorFree(error);
    gio.unref(file);
    return moved != FALSE;
}

}  // namespace inkvista
