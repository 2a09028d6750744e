#include "ui/Artwork.h"

#include <png.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QResource>
#include <QString>
#include <algorithm>
#include <cmath>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

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

    // As Qt's reader gives it: opaque pictures as RGB32, the others as
    // ARGB32, which are libpng's BGRA bytes on a little-endian machine.
    QImage Read() {
        if (!open_) return {};
        const bool alpha = image_.format & PNG_FORMAT_FLAG_ALPHA;
        QImage picture(size(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
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

// The drawings decoded so far or on their way, each decoded once: a window
// on its way to the screen asks for several ratios that share one drawing
// (2.5 and 3.3 the 3x). Besides them, the pictures made ahead for the ratio
// the window is foreseen to come up at, until they are taken.
class Drawings {
  public:
    ~Drawings() {
        if (decoder_.joinable()) decoder_.join();
    }

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

    // Decodes the drawings at `scale` of `ids` and, given a `ratio`, makes
    // their pictures for it from them, on one thread for all of them: the
    // window's own thread has the other core. Called by the window's thread.
    void Prepare(std::initializer_list<int> ids, int scale, std::optional<qreal> ratio) {
        struct Job {
            int id;
            std::optional<std::promise<QImage>> drawing, picture;
        };
        std::vector<Job> work;
        {
            std::lock_guard lock(mutex_);
            for (const int id : ids) {
                Job job{id, {}, {}};
                if (std::shared_future<QImage>& kept = kept_[{id, scale}]; !kept.valid()) {
                    kept = job.drawing.emplace().get_future().share();
                }
                if (ratio) {
                    if (std::shared_future<QImage>& made = made_[{id, *ratio}]; !made.valid()) {
                        made = job.picture.emplace().get_future().share();
                    }
                }
                if (job.drawing || job.picture) work.push_back(std::move(job));
            }
        }
        if (work.empty()) return;
        // A window that came up at another scale than foreseen: the first
        // drawings are in hand or nearly so. Not under the lock, which the
        // pictures' making takes to find their drawings.
        if (decoder_.joinable()) decoder_.join();
        decoder_ = std::thread([scale, ratio, work = std::move(work)]() mutable {
            for (Job& job : work) {
                if (job.drawing) job.drawing->set_value(ReadPicture(DrawnPath(job.id, scale)));
                if (job.picture) job.picture->set_value(LoadDrawn(job.id, *ratio));
            }
        });
    }

  private:
    std::mutex mutex_;
    std::map<std::pair<int, int>, std::shared_future<QImage>> kept_;
    std::map<std::pair<int, qreal>, std::shared_future<QImage>> made_;
    std::thread decoder_;
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
    TheDrawings().Prepare(ids, DrawnScaleFor(pixelRatio), pixelRatio);
}

void PrepareDrawings(std::initializer_list<int> ids, qreal pixelRatio) {
    if (pixelRatio <= 1) return;
    EnsureResources();
    TheDrawings().Prepare(ids, DrawnScaleFor(pixelRatio), std::nullopt);
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
