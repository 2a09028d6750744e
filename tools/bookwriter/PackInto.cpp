#include "bookwriter/PackInto.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include "book/BookHeader.h"
#include "bookwriter/ComicInfo.h"

namespace inkvista::bookwriter {
namespace {

namespace fs = std::filesystem;

// The name an archive or folder gives a book: its file name without the
// extension.
std::string NameOf(const PackInput& input) {
    fs::path path = fs::path(input.path).lexically_normal();
    if (path.filename().empty()) path = path.parent_path();
    return input.kind == PackInput::Kind::Archive ? path.stem().string() : path.filename().string();
}

// A header text from the inputs, fitted to its field with a warning when it
// had to be shortened.
void Fit(const char* field, size_t width, const std::string& from, std::string* text,
         const PackWarn& warn) {
    bool changed = false;
    const std::string fitted = FitHeaderText(*text, width, &changed);
    if (changed && warn)
        warn(from + ": the " + field + " \"" + *text + "\" is shortened to \"" + fitted +
             "\" to fit its " + std::to_string(width) + " bytes");
    *text = fitted;
}

}  // namespace

void SettleDefaults(const PackGiven& given, PackOptions* options) {
    PackOptions& o = *options;
    o.record = !given.record.empty() ? given.record : o.colour ? "XC" : "CX";
    if (!given.size) {
        o.size.mode = SizeRule::Mode::Width;
        o.size.width = 320;
    }
    o.crop.enabled = !given.noCrop && (!given.original || given.cropLimitPercent);
    if (given.cropLimitPercent) o.crop.limit = *given.cropLimitPercent / 100;
    o.spreads = given.spreads.value_or(given.original ? Spreads::Keep : Spreads::Split);
    if (o.jobs == 0) o.jobs = std::max(1u, std::thread::hardware_concurrency());
}

std::string IntoBookName(const PackInput& input, bool colour) {
    return NameOf(input) + (colour ? ".cxb" : ".cmb");
}

void TextsFromInputs(const std::vector<PackInput>& inputs, const PackGiven& given,
                     PackOptions* options, const PackWarn& warn) {
    HeaderTexts found;
    std::string from;
    for (const PackInput& input : inputs) {
        if (input.comicInfo.isEmpty()) continue;
        std::string why;
        from = input.path + ": " + kComicInfoName;
        if (!ReadComicInfo(input.comicInfo, &found, &why) && warn)
            warn(from + " cannot be read (" + why + "); the names are used");
        break;
    }
    if (found.title.empty()) {
        for (const PackInput& input : inputs) {
            if (input.kind == PackInput::Kind::Picture) continue;
            found.title = NameOf(input);
            from = input.path;
            break;
        }
    }
    PackOptions& o = *options;
    const struct {
        bool given;
        const std::string& text;
        std::string* to;
        const char* field;
        size_t width;
    } fields[] = {{given.title, found.title, &o.title, "title", kTitleWidth},
                  {given.chapter, found.chapter, &o.chapter, "chapter", kChapterWidth},
                  {given.author, found.author, &o.author, "author", kAuthorWidth},
                  {given.publisher, found.publisher, &o.publisher, "publisher", kPublisherWidth}};
    for (const auto& f : fields) {
        if (f.given || f.text.empty()) continue;
        *f.to = f.text;
        Fit(f.field, f.width, from, f.to, warn);
    }
}

IntoOutcome PackInto(const IntoRequest& request, PackOptions options, const PackGiven& given,
                     std::string* book, std::string* error) {
    const ArchiveLimits limits;
    std::vector<PackInput> inputs;
    switch (ListInputs({request.input}, limits, &inputs, error)) {
        case InputProblem::None:
            break;
        case InputProblem::NotUsable:
            return IntoOutcome::NotUsable;
        case InputProblem::Failed:
            return IntoOutcome::Failed;
    }
    if (inputs.front().kind == PackInput::Kind::Picture) return IntoOutcome::Picture;
    options.kind = options.colour ? BookKind::Cxb : BookKind::Cmb;
    *book = (fs::path(request.folder) / IntoBookName(inputs.front(), options.colour)).string();
    std::error_code ec;
    if (!request.replace && fs::exists(fs::symlink_status(*book, ec))) return IntoOutcome::Exists;
    options.replace = request.replace;
    TextsFromInputs(inputs, given, &options, request.warn);
    const size_t pictures = CountPages(inputs);
    if (pictures == 0) {
        *error = "no pictures found in what was given";
        return IntoOutcome::Failed;
    }
    const PictureFeed all = FeedOf(inputs, limits);
    bool cancelled = false;
    const PictureFeed feed = [&](const PageSink& sink, std::string* why) {
        return all(
            [&](size_t picture, PictureSource source, const std::string& name, std::string* e) {
                if (request.cancelled && request.cancelled()) {
                    cancelled = true;
                    *e = "cancelled";
                    return false;
                }
                return sink(picture, std::move(source), name, e);
            },
            why);
    };
    if (PackFeed(*book, pictures, feed, options, error)) return IntoOutcome::Made;
    return cancelled ? IntoOutcome::Cancelled : IntoOutcome::Failed;
}

}  // namespace inkvista::bookwriter
