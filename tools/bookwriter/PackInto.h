// The converter's rules of thumb, shared by `inkvista-tool pack` and the
// reader's drop of a comic archive: the defaults settled once every option
// is known, the header texts taken from the inputs, and one book made of one
// archive or folder in a book folder, named after it (`pack --into`).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bookwriter/PackInputs.h"
#include "bookwriter/Packer.h"

namespace inkvista::bookwriter {

// What was chosen on a command line; nothing chosen gives pack's defaults.
struct PackGiven {
    bool size = false;      // --width, --size or --original (already in the rule)
    bool original = false;  // --original
    bool noCrop = false;
    std::optional<double> cropLimitPercent;
    std::optional<Spreads> spreads;
    std::string record;  // "CX", "XC", or empty for the default
    // Header texts given on the command line, which the inputs never replace.
    bool title = false, chapter = false, author = false, publisher = false;
};

// Settles `options` by what was given: pages 320 pixels wide (the screen's
// long side) unless a size was given; plain borders cropped unless --no-crop,
// or --original without --crop-limit; spreads split, kept with --original;
// XC records for colour pages, else CX; as many jobs as cores when 0.
void SettleDefaults(const PackGiven& given, PackOptions* options);

// The name of the book --into makes of an archive or a folder: its file name
// without the extension, then .cxb for colour pages, else .cmb.
std::string IntoBookName(const PackInput& input, bool colour);

// Fills the header texts that were not given: from the first input's
// ComicInfo.xml, the title otherwise from the first archive's or folder's
// name, each fitted to its field. `warn` hears each text that had to be
// shortened and a ComicInfo.xml that cannot be read.
using PackWarn = std::function<void(const std::string& message)>;
void TextsFromInputs(const std::vector<PackInput>& inputs, const PackGiven& given,
                     PackOptions* options, const PackWarn& warn);

enum class IntoOutcome {
    Made,
    Failed,     // unreadable, damaged, no pictures, a write that failed
    NotUsable,  // no picture, no folder and no comic archive
    Picture,    // a single picture: a book of its own is made of archives and folders
    Exists,     // a file at the book's name, kept
    Cancelled,
};

struct IntoRequest {
    std::string input;   // an archive or a folder of pictures
    std::string folder;  // where the book goes (it exists)
    // Whether a file at the book's name is replaced.
    bool replace = false;
    // Asked before each picture; true stops the book, and nothing of it is
    // left behind.
    std::function<bool()> cancelled;
    PackWarn warn;
};

// One book of `request.input` in `request.folder`, named by IntoBookName,
// with `options` settled (its kind follows its colour) and the texts not
// `given` taken from the input. `book` is the book's path once it is named.
// Anything but Made leaves no book and no temporary at that path, and a file
// that was there as it was; `error` says why for Failed and NotUsable.
IntoOutcome PackInto(const IntoRequest& request, PackOptions options, const PackGiven& given,
                     std::string* book, std::string* error);

}  // namespace inkvista::bookwriter
