#include "ui/Artwork.h"

#include <png.h>

#include <QCryptographicHash>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QResource>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/AsideThread.h"
#include "platform/AtomicFile.h"

// Resources in a static library must be brought in by hand, and the macro
// only works outside a namespace.
static void InitArtwork() {
    Q_INIT_RESOURCE(inkvista);
}

namespace inkvista {

namespace {

// The scales the artwork generator draws besides the device's own.
constexpr int kLargestDrawnScale = 4;

QString DrawnPath(int id, int scale) {
    if (scale == 1) return QStringLiteral(":/bitmaps/%1.png").arg(id);
    return QStringLiteral(":/bitmaps/%1@%2x.png").arg(id).arg(scale);
}

void EnsureResources() {
    static const bool initialised = (InitArtwork(), true);
    (void)initialised;
}

// The pictures are 8-bit PNG files of the program's own, read with libpng
// itself: Qt's image reader, the first time it is asked, looks through and
// loads every image format plugin on the machine (1.4 ms of every start).
// Far larger than any drawing: not one of ours.
constexpr png_uint_32 kLargestPictureSide = 8192;

class PngFile {
  public:
    explicit PngFile(const QString& path) {
        const QResource resource(path);
        if (!resource.isValid()) return;
        bytes_ = resource.uncompressedData();
        image_.version = PNG_IMAGE_VERSION;
        open_ = png_image_begin_read_from_memory(&image_, bytes_.constData(), bytes_.size()) &&
                image_.width > 0 && image_.height > 0 && image_.width <= kLargestPictureSide &&
                image_.height <= kLargestPictureSide;
    }
    ~PngFile() { png_image_free(&image_); }
    PngFile(const PngFile&) = delete;
    PngFile& operator=(const PngFile&) = delete;

    QSize size() const { return open_ ? QSize(image_.width, image_.height) : QSize(); }
    bool HasAlpha() const { return open_ && (image_.format & PNG_FORMAT_FLAG_ALPHA); }

    // As Qt's reader gives it: opaque pictures as RGB32, the others as
    // ARGB32, which are libpng's BGRA bytes on a little-endian machine.
    QImage Read() {
        if (!open_) return {};
        QImage picture(size(), HasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (picture.isNull()) return {};
        image_.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
        if (!png_image_finish_read(&image_, nullptr, picture.bits(),
                                   static_cast<png_int_32>(picture.bytesPerLine()), nullptr)) {
            return {};
        }
        return picture;
    }

  private:
    QByteArray bytes_;
    png_image image_{};
    bool open_ = false;
};

QImage ReadPicture(const QString& path) {
    return PngFile(path).Read();
}

QImage LoadDrawn(int id, qreal pixelRatio);
int DrawnScaleFor(qreal pixelRatio);

// The pictures made for a window's start ratio, kept between runs as their
// pixels: decoding the 3x home screen and smoothing it to a maximised
// window's 3.3 is some 13 ms of the processor at every start, taken from the
// window system while it maps the window; a kept picture is mapped from the
// file instead and read only as it is drawn. One file per picture, the ratio
// of the last start: the drawings stay the source of every other ratio.
class PictureCache {
  public:
    void SetFolder(std::filesystem::path folder) {
        std::lock_guard lock(mutex_);
        folder_ = std::move(folder);
    }

    // The picture kept for `id` at `ratio`, if one was kept from the
    // drawing this program holds; anything else in its file is left for
    // Store to replace.
    std::optional<QImage> Find(int id, qreal ratio) const {
        const std::filesystem::path path = PathFor(id);
        if (path.empty()) return std::nullopt;
        const std::optional<Header> expected = HeaderFor(id, ratio);
        if (!expected) return std::nullopt;
        auto file = std::make_unique<QFile>(QString::fromStdString(path.string()));
        const qint64 pixels = qint64(expected->width) * expected->height * 4;
        if (!file->open(QIODevice::ReadOnly) || file->size() != qint64(sizeof(Header)) + pixels) {
            return std::nullopt;
        }
        uchar* mapped = file->map(0, file->size(), QFileDevice::MapPrivateOption);
        if (!mapped || std::memcmp(mapped, &*expected, sizeof(Header)) != 0) return std::nullopt;
        // The image owns the mapping: the file is unmapped with its last copy.
        const uchar* bits = mapped + sizeof(Header);
        QImage picture(
            bits, expected->width, expected->height, expected->width * 4,
            static_cast<QImage::Format>(expected->format),
            [](void* owner) { delete static_cast<QFile*>(owner); }, file.get());
        if (picture.isNull()) return std::nullopt;
        file.release();
        picture.setDevicePixelRatio(ratio);
        return picture;
    }

    // Keeps `picture`, made for `id` at `ratio`, in place of the one kept
    // for another ratio. Written beside and renamed: a reader starting at
    // the same time maps either the old file or the new one, never a part.
    void Store(int id, qreal ratio, const QImage& picture) const {
        const std::filesystem::path path = PathFor(id);
        const std::optional<Header> header = HeaderFor(id, ratio);
        if (path.empty() || !header || picture.size() != QSize(header->width, header->height) ||
            picture.format() != header->format || picture.bytesPerLine() != header->width * 4) {
            return;
        }
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        AtomicFile out;
        // Rows without padding, checked above: the pixels are one block.
        if (!out.Begin(path, 0600) || !out.Write(&*header, sizeof(Header)) ||
            !out.Write(picture.constBits(), size_t(picture.sizeInBytes()))) {
            return;
        }
        // A cache: what a power cut takes is made again.
        out.Commit(Durability::Renamed);
    }

  private:
    // The file's first bytes: what the picture was made from and for, each
    // of which a kept picture must match to be taken.
    struct Header {
        // Its last figure goes up whenever LoadDrawn makes pictures another way.
        char magic[8] = {'I', 'V', 'P', 'I', 'C', 'T', '1', '\0'};
        quint64 source = 0;  // the drawing's bytes and the Qt that smoothed it
        double ratio = 0;
        qint32 id = 0, width = 0, height = 0, format = 0;
        char reserved[24] = {};
    };
    static_assert(sizeof(Header) == 64);

    std::filesystem::path PathFor(int id) const {
        std::lock_guard lock(mutex_);
        if (folder_.empty()) return {};
        return folder_ / (std::to_string(id) + ".picture");
    }

    static std::optional<Header> HeaderFor(int id, qreal ratio) {
        const int scale = DrawnScaleFor(ratio);
        const QResource drawing(DrawnPath(id, scale));
        const QSize device = PngFile(DrawnPath(id, 1)).size();
        if (!drawing.isValid() || !device.isValid()) return std::nullopt;
        Header header;
        // Any change of the drawing or of the smoothing's Qt makes another
        // picture. A hash that is the same in every run, as Qt's own are not.
        QCryptographicHash source(QCryptographicHash::Sha1);
        source.addData(QByteArrayView(qVersion()));
        source.addData(
            QByteArrayView(reinterpret_cast<const char*>(drawing.data()), drawing.size()));
        std::memcpy(&header.source, source.result().constData(), sizeof(header.source));
        header.ratio = ratio;
        header.id = id;
        header.width = qRound(device.width() * ratio);
        header.height = qRound(device.height() * ratio);
        header.format =
            PngFile(DrawnPath(id, scale)).HasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
        return header;
    }

    mutable std::mutex mutex_;
    std::filesystem::path folder_;
};

PictureCache& ThePictureCache() {
    static PictureCache cache;
    return cache;
}

// The drawings decoded so far or on their way, each decoded once: a window
// on its way to the screen asks for several ratios that share one drawing
// (2.5 and 3.3 the 3x). Besides them, the pictures made ahead for the ratio
// the window is foreseen to come up at, until they are taken.
class Drawings {
  public:
    ~Drawings() { decoder_.Wait(); }

    QImage Get(int id, int scale) {
        std::shared_future<QImage> drawing;
        {
            std::lock_guard lock(mutex_);
            std::shared_future<QImage>& kept = kept_[{id, scale}];
            if (!kept.valid()) {
                kept = std::async(std::launch::deferred, [id, scale] {
                           return ReadPicture(DrawnPath(id, scale));
                       }).share();
            }
            drawing = kept;
        }
        return drawing.get();
    }

    // The picture made ahead for `ratio`, if one was; it is then no longer
    // kept here.
    std::optional<QImage> Take(int id, qreal ratio) {
        std::shared_future<QImage> made;
        {
            std::lock_guard lock(mutex_);
            const auto found = made_.find({id, ratio});
            if (found == made_.end()) return std::nullopt;
            made = std::move(found->second);
            made_.erase(found);
        }
        return made.get();
    }

    // Decodes the drawings of `ids` for `ratio` and, given `pictures`, makes
    // their pictures for it from them (or maps the ones kept from an earlier
    // run), on one thread for all of them: the window's own thread has the
    // other core. Called by the window's thread.
    void Prepare(std::initializer_list<int> ids, qreal ratio, bool pictures) {
        const int scale = DrawnScaleFor(ratio);
        std::vector<Job> work;
        {
            std::lock_guard lock(mutex_);
            for (const int id : ids) {
                Job job{id, scale, ratio, {}, {}};
                bool inHand = made_.count({id, ratio}) > 0;
                if (pictures && !inHand) {
                    std::shared_future<QImage>& made = made_[{id, ratio}];
                    if (std::optional<QImage> kept = ThePictureCache().Find(id, ratio)) {
                        std::promise<QImage> ready;
                        ready.set_value(*std::move(kept));
                        made = ready.get_future().share();
                        inHand = true;
                    } else {
                        made = job.picture.emplace().get_future().share();
                    }
                }
                if (std::shared_future<QImage>& kept = kept_[{id, scale}]; !kept.valid()) {
                    // A picture in hand needs no drawing before the window
                    // is up: its decoding would only slow the window system
                    // down on its way.
                    if (inHand && !job.picture) {
                        setAside_.emplace_back(id, scale);
                    } else {
                        kept = job.drawing.emplace().get_future().share();
                    }
                }
                if (job.drawing || job.picture) work.push_back(std::move(job));
            }
        }
        Start(std::move(work));
    }

    // The drawings Prepare set aside, decoded now.
    void PrepareSetAside() {
        std::vector<Job> work;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [id, scale] : setAside_) {
                if (std::shared_future<QImage>& kept = kept_[{id, scale}]; !kept.valid()) {
                    Job job{id, scale, 0, {}, {}};
                    kept = job.drawing.emplace().get_future().share();
                    work.push_back(std::move(job));
                }
            }
            setAside_.clear();
        }
        Start(std::move(work));
    }

  private:
    struct Job {
        int id;
        int scale;    // of the drawing
        qreal ratio;  // of the picture
        std::optional<std::promise<QImage>> drawing, picture;
    };

    void Start(std::vector<Job> work) {
        if (work.empty()) return;
        // A window that came up at another scale than foreseen: the first
        // drawings are in hand or nearly so. Not under the lock, which the
        // pictures' making takes to find their drawings.
        decoder_.Wait();
        auto jobs = std::make_shared<std::vector<Job>>(std::move(work));
        decoder_ = AsideThread([jobs] {
            for (Job& job : *jobs) {
                if (job.drawing) job.drawing->set_value(ReadPicture(DrawnPath(job.id, job.scale)));
                if (job.picture) {
                    const QImage picture = LoadDrawn(job.id, job.ratio);
                    job.picture->set_value(picture);
                    ThePictureCache().Store(job.id, job.ratio, picture);
                }
            }
        });
    }

    std::mutex mutex_;
    std::map<std::pair<int, int>, std::shared_future<QImage>> kept_;
    std::map<std::pair<int, qreal>, std::shared_future<QImage>> made_;
    std::vector<std::pair<int, int>> setAside_;  // id and scale of each drawing
    AsideThread decoder_;
};

Drawings& TheDrawings() {
    static Drawings drawings;
    return drawings;
}

QImage Drawing(int id, int scale) {
    return TheDrawings().Get(id, scale);
}

int DrawnScaleFor(qreal pixelRatio) {
    return std::clamp(static_cast<int>(std::lround(pixelRatio)), 1, kLargestDrawnScale);
}

QImage LoadDrawn(int id, qreal pixelRatio) {
    if (pixelRatio <= 1) return Drawing(id, 1);
    // The device's drawing is only measured, not decoded, when a larger one
    // is taken: an enlarged window's first paint would wait for it.
    const QSize device = PngFile(DrawnPath(id, 1)).size();
    const int scale = DrawnScaleFor(pixelRatio);
    QImage image = Drawing(id, scale);
    if (image.isNull() || !device.isValid() || image.size() != device * scale) {
        return Drawing(id, 1);
    }
    if (pixelRatio != scale) {
        const QSize size(qRound(device.width() * pixelRatio), qRound(device.height() * pixelRatio));
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        image.detach();
    }
    image.setDevicePixelRatio(pixelRatio);
    return image;
}

}  // namespace

QImage LoadBitmap(int id, qreal pixelRatio) {
    EnsureResources();
    // Smoothed to the ratio once: a window drawn at 3.375 would otherwise
    // scale a drawing at every paint. Each picture is kept at the last ratio
    // asked for.
    static std::unordered_map<int, QImage> loaded;
    QImage& kept = loaded[id];
    const qreal ratio = std::max(pixelRatio, qreal(1));
    if (kept.isNull() || kept.devicePixelRatio() != ratio) {
        std::optional<QImage> made = TheDrawings().Take(id, ratio);
        kept = made ? *std::move(made) : LoadDrawn(id, ratio);
    }
    return kept;
}

void PrepareBitmaps(std::initializer_list<int> ids, qreal pixelRatio) {
    if (pixelRatio <= 1) return;  // the device's own drawings are small
    EnsureResources();
    TheDrawings().Prepare(ids, pixelRatio, true);
}

void PrepareDrawings(std::initializer_list<int> ids, qreal pixelRatio) {
    if (pixelRatio <= 1) return;
    EnsureResources();
    TheDrawings().Prepare(ids, pixelRatio, false);
}

void PrepareSetAsideDrawings() {
    TheDrawings().PrepareSetAside();
}

void KeepPicturesIn(const std::filesystem::path& folder) {
    ThePictureCache().SetFolder(folder);
}

QImage CopyBitmap(const QImage& bitmap, const QRect& rect) {
    const qreal ratio = bitmap.devicePixelRatio();
    if (rect == QRect(QPoint(0, 0), bitmap.deviceIndependentSize().toSize())) return bitmap;
    const QRect pixels(qRound(rect.x() * ratio), qRound(rect.y() * ratio),
                       qRound(rect.width() * ratio), qRound(rect.height() * ratio));
    QImage part = bitmap.copy(pixels);
    part.setDevicePixelRatio(ratio);
    return part;
}

namespace {

std::vector<QImage> ReadProgramIcon() {
    std::vector<QImage> pictures;
    // Not the 256 one: window managers show 48 at most, and it alone would
    // be most of the decoding and of the icon sent to the X server at start.
    for (const int size : {16, 22, 24, 32, 48, 64, 128}) {
        pictures.push_back(ReadPicture(QStringLiteral(":/icons/inkvista-%1.png").arg(size)));
    }
    return pictures;
}

std::future<std::vector<QImage>>& ProgramIconOnItsWay() {
    static std::future<std::vector<QImage>> onItsWay;
    return onItsWay;
}

}  // namespace

void PrepareProgramIcon() {
    EnsureResources();
    std::future<std::vector<QImage>>& onItsWay = ProgramIconOnItsWay();
    if (!onItsWay.valid()) onItsWay = std::async(std::launch::async, ReadProgramIcon);
}

QIcon ProgramIcon() {
    EnsureResources();
    std::future<std::vector<QImage>>& onItsWay = ProgramIconOnItsWay();
    QIcon icon;
    for (const QImage& picture : onItsWay.valid() ? onItsWay.get() : ReadProgramIcon()) {
        icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}

qreal ScreenPixelRatio() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

}  // namespace inkvista
