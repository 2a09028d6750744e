// What `pack` makes pages of: pictures, folders of pictures and comic
// archives, in the order given; a folder or an archive gives its pictures in
// natural order of their names.
#pragma once

#include <string>
#include <vector>

#include "bookwriter/ComicArchive.h"
#include "bookwriter/Packer.h"

namespace inkvista::bookwriter {

struct PackInput {
    enum class Kind { Picture, Folder, Archive };
    Kind kind = Kind::Picture;
    std::string path;
    // Folder: the pictures' paths. Archive: its picture entries.
    std::vector<std::string> files;
    std::vector<ArchivePicture> entries;
    // The ComicInfo.xml of an archive or at the top of a folder; empty
    // when there is none.
    QByteArray comicInfo;
    size_t Pages() const;
};

enum class InputProblem {
    None,
    Failed,    // missing, unreadable, damaged or past a limit
    NotUsable  // a file that is no picture and no comic archive
};

// Lists every input before any picture is decoded: a picture's header is
// read (so one that is no picture, or too large for a page, is refused at
// once), a folder is walked, an archive's entries are listed.
InputProblem ListInputs(const std::vector<std::string>& paths, const ArchiveLimits& limits,
                        std::vector<PackInput>* inputs, std::string* error);

size_t CountPages(const std::vector<PackInput>& inputs);

// The pictures of `inputs` for PackFeed: each archive is read once, front to
// back, its pictures given as the pages their names place them on.
PictureFeed FeedOf(const std::vector<PackInput>& inputs, const ArchiveLimits& limits);

}  // namespace inkvista::bookwriter
