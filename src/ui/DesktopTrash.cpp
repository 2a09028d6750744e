// GIO rather than QFile::moveToTrash: Qt turns a file name into text on the
// way, and a name that is not UTF-8 (a Korean name in the code page, from an
// old card) comes back as another name, so the move fails and the book
// would be deleted outright. GIO keeps the path as bytes. Kept apart from
// the Qt sources: GLib's headers use the word Qt defines as "signals".
#include "ui/DesktopTrash.h"

#include <gio/gio.h>

namespace inkvista {

bool MoveToDesktopTrash(const std::filesystem::path& hostFile) {
    GFile* file = g_file_new_for_path(hostFile.c_str());
    GError* error = nullptr;
    const gboolean moved = g_file_trash(file, nullptr, &error);
    if (error) g_error_free(error);
    g_object_unref(file);
    return moved != FALSE;
}

}  // namespace inkvista
