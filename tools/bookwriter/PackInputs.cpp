#include "bookwriter/PackInputs.h"

#include <sys/stat.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "bookwriter/ComicInfo.h"
#include "bookwriter/ImageFiles.h"

namespace inkvista::bookwriter {
namespace {

namespace fs = std::filesystem;

bool IsHidden(const fs::path& relative) {
    for (const fs::path& part : relative)
        if (part.string().starts_with(".")) return true;
    return false;
}

// The pictures below `folder`, hidden ones left out, in natural order of
// their paths inside it.
bool ListFolder(const std::string& folder, const ArchiveLimits& limits,
                std::vector<std::string>* files, std::string* error) {
    std::error_code ec;
    std::vector<std::string> relative;
    uint64_t seen = 0;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (++seen > limits.entries) {
            *error = folder + ": more than " + std::to_string(limits.entries) + " entries";
            return false;
        }
        const fs::path rel = it->path().lexically_relative(folder);
        if (IsHidden(rel)) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec) && HasPictureExtension(rel.string()))
            relative.push_back(rel.string());
    }
    if (ec) {
        *error = folder + ": " + ec.message();
        return false;
    }
    std::sort(relative.begin(), relative.end(), NaturalLess);
    files->clear();
    for (const std::string& rel : relative) files->push_back((fs::path(folder) / rel).string());
    return true;
}

// A ComicInfo.xml at the top of a folder, in any letter case.
QByteArray FolderComicInfo(const std::string& folder) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (QString::fromStdString(entry.path().filename().string())
                    .compare(QLatin1String(kComicInfoName), Qt::CaseInsensitive) != 0 ||
            !entry.is_regular_file(ec))
            continue;
        QFile file(QString::fromStdString(entry.path().string()));
        if (file.open(QIODevice::ReadOnly)) return file.read(kMaxComicInfoBytes);
    }
    return {};
}

InputProblem FromPictureProblem(PictureProblem problem) {
    switch (problem) {
        case PictureProblem::None:
            return InputProblem::None;
        case PictureProblem::NotAPicture:
            return InputProblem::NotUsable;
        default:
            return InputProblem::Failed;
    }
}

InputProblem ListOne(const std::string& path, const ArchiveLimits& limits, PackInput* input,
                     std::string* error) {
    input->path = path;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        *error = path + ": " + std::strerror(errno);
        return InputProblem::Failed;
    }
    if (S_ISDIR(st.st_mode)) {
        input->kind = PackInput::Kind::Folder;
        if (!ListFolder(path, limits, &input->files, error)) return InputProblem::Failed;
        input->comicInfo = FolderComicInfo(path);
        for (const std::string& file : input->files) {
            const PictureProblem p = ProbePicture(file, error);
            if (p != PictureProblem::None) return InputProblem::Failed;
        }
        return InputProblem::None;
    }
    if (S_ISREG(st.st_mode) && IsComicArchiveName(path)) {
        input->kind = PackInput::Kind::Archive;
        return ListArchivePictures(path, limits, &input->entries, error, &input->comicInfo)
                   ? InputProblem::None
                   : InputProblem::Failed;
    }
    input->kind = PackInput::Kind::Picture;
    const InputProblem problem = FromPictureProblem(ProbePicture(path, error));
    if (problem == InputProblem::NotUsable)
        *error = path +
                 ": not a picture (PNG, JPEG or another format Qt reads), a folder or "
                 "a comic archive (.cbz, .cbr, .cb7, .cbt)";
    return problem;
}

bool FeedFile(const std::string& path, size_t page, const PageSink& sink, std::string* error) {
    PictureSource source;
    source.path = path;
    return sink(page, std::move(source), path, error);
}

bool FeedArchive(const PackInput& input, size_t firstPage, const ArchiveLimits& limits,
                 const PageSink& sink, std::string* error) {
    std::unordered_map<uint64_t, size_t> pageOf;
    for (size_t i = 0; i < input.entries.size(); ++i)
        pageOf.emplace(input.entries[i].ordinal, firstPage + i);
    size_t given = 0;
    const bool ok = ReadArchivePictures(
        input.path, limits, [&](uint64_t ordinal) { return pageOf.count(ordinal) > 0; },
        [&](uint64_t ordinal, const std::string& name, const QByteArray& data, std::string* why) {
            PictureSource source;
            source.bytes = data;  // shared: the reader's next entry goes to a new buffer
            ++given;
            return sink(pageOf.at(ordinal), std::move(source),
                        Printable(name) + " in " + input.path, why);
        },
        error);
    if (ok && given != input.entries.size()) {
        *error = input.path + ": the archive changed while it was read";
        return false;
    }
    return ok;
}

}  // namespace

size_t PackInput::Pages() const {
    switch (kind) {
        case Kind::Picture:
            return 1;
        case Kind::Folder:
            return files.size();
        case Kind::Archive:
            return entries.size();
    }
    return 0;
}

InputProblem ListInputs(const std::vector<std::string>& paths, const ArchiveLimits& limits,
                        std::vector<PackInput>* inputs, std::string* error) {
    inputs->clear();
    for (const std::string& path : paths) {
        PackInput input;
        const InputProblem problem = ListOne(path, limits, &input, error);
        if (problem != InputProblem::None) return problem;
        inputs->push_back(std::move(input));
    }
    return InputProblem::None;
}

size_t CountPages(const std::vector<PackInput>& inputs) {
    size_t pages = 0;
    for (const PackInput& input : inputs) pages += input.Pages();
    return pages;
}

PictureFeed FeedOf(const std::vector<PackInput>& inputs, const ArchiveLimits& limits) {
    return [&inputs, limits](const PageSink& sink, std::string* error) {
        size_t page = 0;
        for (const PackInput& input : inputs) {
            switch (input.kind) {
                case PackInput::Kind::Picture:
                    if (!FeedFile(input.path, page, sink, error)) return false;
                    break;
                case PackInput::Kind::Folder:
                    for (size_t i = 0; i < input.files.size(); ++i)
                        if (!FeedFile(input.files[i], page + i, sink, error)) return false;
                    break;
                case PackInput::Kind::Archive:
                    if (!FeedArchive(input, page, limits, sink, error)) return false;
                    break;
            }
            page += input.Pages();
        }
        return true;
    };
}

}  // namespace inkvista::bookwriter
