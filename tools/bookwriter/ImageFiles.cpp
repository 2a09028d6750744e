#include "bookwriter/ImageFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "book/BookFormat.h"
#include "book/Scaler.h"
#include "bookwriter/Quantise.h"
#include "platform/AtomicFile.h"

namespace inkvista::bookwriter {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// While any lives, the image codecs say nothing on stderr: Qt's warnings
// are collected through a message handler, each by the thread whose decoder
// gave it, and libpng, which prints its errors to stderr itself, writes into
// /dev/null. Pictures are decoded on several threads at once, so the first
// one in silences stderr and the last one out restores it; the tool's own
// messages meanwhile go to ToolStderr().
class QuietCodecs {
  public:
    QuietCodecs() {
        {
            std::lock_guard lock(mutex_);
            if (users_++ == 0) {
                ToolStderr();  // taken while stderr is still the real one
                std::fflush(stderr);
                saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
                const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
                if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
                if (null >= 0) close(null);
                previous_ = qInstallMessageHandler(&Collect);
            }
        }
        outer_ = current_;
        current_ = this;
    }
    ~QuietCodecs() {
        current_ = outer_;
        std::lock_guard lock(mutex_);
        if (--users_ == 0) {
            qInstallMessageHandler(previous_);
            std::fflush(stderr);
            if (saved_ >= 0) {
                dup2(saved_, STDERR_FILENO);
                close(saved_);
                saved_ = -1;
            }
        }
    }
    QuietCodecs(const QuietCodecs&) = delete;
    QuietCodecs& operator=(const QuietCodecs&) = delete;

    // A decoder said the data ended early or is corrupt. Other warnings
    // (an odd colour profile, say) do not make a picture incomplete.
    bool SawDamage() const { return damage_; }

  private:
    static void Collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!current_) {
            if (previous_) previous_(type, context, text);
            return;
        }
        const QString t = text.toLower();
        for (const char* sign : {"premature end", "corrupt", "truncat", "error"})
            if (t.contains(QLatin1String(sign))) current_->damage_ = true;
    }

    static inline thread_local QuietCodecs* current_ = nullptr;
    static inline std::mutex mutex_;
    static inline int users_ = 0;
    static inline int saved_ = -1;
    static inline QtMessageHandler previous_ = nullptr;
    QuietCodecs* outer_ = nullptr;
    bool damage_ = false;
};

std::string SizeText(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

std::string TooLargeText(uint64_t width, uint64_t height) {
    const uint64_t need = Stride24(width) * height;
    return "the picture has " + SizeText(width, height) + ", which needs " +
           std::to_string((need + (1 << 20) - 1) >> 20) +
           " MiB as a page; a page may take at most " + std::to_string(kMaxPicturePageBytes >> 20) +
           " MiB (about " + std::to_string(kMaxPicturePageBytes / 3 / 1000000) + " megapixels)";
}

// Qt refuses by default to allocate more than 128 MiB for one picture; a
// picture that makes a page may need up to 8 bytes per pixel while decoding.
void AllowDecoding(const QSize& size) {
    const uint64_t pixels = size.isValid() ? uint64_t(size.width()) * uint64_t(size.height())
                                           : kMaxPicturePageBytes / 3;
    const uint64_t mib = (std::min(pixels, kMaxPicturePageBytes / 3) * 8 >> 20) + 1;
    QImageReader::setAllocationLimit(static_cast<int>(std::max<uint64_t>(mib, 128)));
}

// Opens `path` for reading as a regular file: a FIFO is not waited on, a
// folder is named as such.
int OpenRegular(const std::string& path, std::string* error) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = path + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = path + ": " +
                 (S_ISDIR(st.st_mode) ? "is a folder, not a picture" : "not a regular file");
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

PictureProblem CheckHeader(QImageReader& reader, const std::string& name, std::string* error) {
    reader.setAutoTransform(false);  // pictures are read as stored, as pages are
    {
        QuietCodecs quiet;
        if (!reader.canRead()) {
            *error = name + ": not a picture (PNG, JPEG or another format Qt reads)";
            return PictureProblem::NotAPicture;
        }
    }
    const QSize size = reader.size();
    if (size.isValid() && !PictureFitsPage(static_cast<uint64_t>(size.width()),
                                           static_cast<uint64_t>(size.height()))) {
        *error =
            name + ": " +
            TooLargeText(static_cast<uint64_t>(size.width()), static_cast<uint64_t>(size.height()));
        return PictureProblem::TooLarge;
    }
    return PictureProblem::None;
}

// Rows of a page view as red, green, blue.
void RgbRow(const QImage& image, int y, uint8_t* out) {
    const uint8_t* src = image.constScanLine(y);
    const int w = image.width();
    switch (image.format()) {
        case QImage::Format_Grayscale8:
            for (int x = 0; x < w; ++x) std::fill_n(out + 3 * x, 3, src[x]);
            break;
        case QImage::Format_BGR888:
            for (int x = 0; x < w; ++x) {
                out[3 * x] = src[3 * x + 2];
                out[3 * x + 1] = src[3 * x + 1];
                out[3 * x + 2] = src[3 * x];
            }
            break;
        default:
            for (int x = 0; x < w; ++x) {
                const QRgb c = image.pixel(x, y);
                out[3 * x] = static_cast<uint8_t>(qRed(c));
                out[3 * x + 1] = static_cast<uint8_t>(qGreen(c));
                out[3 * x + 2] = static_cast<uint8_t>(qBlue(c));
            }
            break;
    }
}

// Hands what a QImageWriter writes straight to an AtomicFile.
class AtomicFileDevice : public QIODevice {
  public:
    explicit AtomicFileDevice(AtomicFile& file) : file_(file) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        return file_.Write(data, static_cast<size_t>(size)) ? size : -1;
    }

  private:
    AtomicFile& file_;
};

bool WriteNetpbm(AtomicFile& file, const QImage& image, bool asGrey) {
    const int w = image.width();
    const std::string header = std::string(asGrey ? "P5" : "P6") + "\n" + std::to_string(w) + " " +
                               std::to_string(image.height()) + "\n255\n";
    if (!file.Write(header)) return false;
    std::vector<uint8_t> rgb(3 * static_cast<size_t>(w)), grey(static_cast<size_t>(w));
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = rgb.data();
        size_t size = rgb.size();
        if (asGrey && image.format() == QImage::Format_Grayscale8) {
            row = image.constScanLine(y);
            size = grey.size();
        } else {
            RgbRow(image, y, rgb.data());
            if (asGrey) {
                for (int x = 0; x < w; ++x)
                    grey[static_cast<size_t>(x)] =
                        Luma601(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]);
                row = grey.data();
                size = grey.size();
            }
        }
        if (!file.Write(row, size)) return false;
    }
    return true;
}

}  // namespace

std::FILE* ToolStderr() {
    static std::FILE* const stream = [] {
        const int fd = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
        std::FILE* f = fd >= 0 ? fdopen(fd, "w") : nullptr;
        if (!f) {
            if (fd >= 0) close(fd);
            return stderr;
        }
        std::setvbuf(f, nullptr, _IONBF, 0);
        return f;
    }();
    return stream;
}

std::string TooLargeForPage(uint64_t width, uint64_t height) {
    return TooLargeText(width, height);
}

PictureProblem ReadPictureFile(const std::string& path, QByteArray* bytes, std::string* error) {
    const int fd = OpenRegular(path, error);
    if (fd < 0) return PictureProblem::CannotOpen;
    struct stat st {};
    if (fstat(fd, &st) != 0 || uint64_t(st.st_size) > kMaxPictureFileBytes) {
        *error = path + ": " +
                 (uint64_t(st.st_size) > kMaxPictureFileBytes
                      ? "more than " + std::to_string(kMaxPictureFileBytes >> 20) +
                            " MiB, more than a picture file may take"
                      : std::string(std::strerror(errno)));
        close(fd);
        return PictureProblem::TooLarge;
    }
    bytes->resize(static_cast<qsizetype>(st.st_size));
    qsizetype done = 0;
    while (done < bytes->size()) {
        const ssize_t n = read(fd, bytes->data() + done, static_cast<size_t>(bytes->size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = path + ": " + (n < 0 ? std::strerror(errno) : "the file shrank while read");
            close(fd);
            return PictureProblem::CannotOpen;
        }
        done += n;
    }
    close(fd);
    return PictureProblem::None;
}

ImageFormat FormatOf(const std::string& path) {
    const std::string lower = Lower(path);
    if (EndsWith(lower, ".pgm")) return ImageFormat::Pgm;
    if (EndsWith(lower, ".ppm")) return ImageFormat::Ppm;
    if (EndsWith(lower, ".png")) return ImageFormat::Png;
    return ImageFormat::Unknown;
}

bool HasPictureExtension(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return false;
    const QByteArray extension = QByteArray::fromStdString(Lower(name.substr(dot + 1)));
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return !extension.isEmpty() && formats.contains(extension);
}

bool PictureFitsPage(uint64_t width, uint64_t height) {
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return false;
    return Stride24(width) * height <= kMaxPicturePageBytes;
}

PictureProblem LoadPicture(QIODevice& device, const std::string& name, QImage* image,
                           std::string* error) {
    QImageReader reader(&device);
    const PictureProblem header = CheckHeader(reader, name, error);
    if (header != PictureProblem::None) return header;
    AllowDecoding(reader.size());
    QuietCodecs quiet;
    if (!reader.read(image) || quiet.SawDamage()) {
        *image = QImage();
        *error = name + ": the picture is damaged or cut short";
        return PictureProblem::Damaged;
    }
    if (!PictureFitsPage(static_cast<uint64_t>(image->width()),
                         static_cast<uint64_t>(image->height()))) {
        *error = name + ": " +
                 TooLargeText(static_cast<uint64_t>(image->width()),
                              static_cast<uint64_t>(image->height()));
        *image = QImage();
        return PictureProblem::TooLarge;
    }
    return PictureProblem::None;
}

PictureProblem LoadPicture(const std::string& path, QImage* image, std::string* error) {
    const int fd = OpenRegular(path, error);
    if (fd < 0) return PictureProblem::CannotOpen;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        close(fd);
        *error = path + ": " + std::strerror(EIO);
        return PictureProblem::CannotOpen;
    }
    return LoadPicture(file, path, image, error);
}

PictureProblem ProbePicture(const std::string& path, std::string* error) {
    const int fd = OpenRegular(path, error);
    if (fd < 0) return PictureProblem::CannotOpen;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        close(fd);
        *error = path + ": " + std::strerror(EIO);
        return PictureProblem::CannotOpen;
    }
    QImageReader reader(&file);
    return CheckHeader(reader, path, error);
}

QImage PageView(const PageImage& page) {
    if (page.viewWidth <= 0 || page.viewHeight <= 0) return QImage();
    const uint64_t w = static_cast<uint32_t>(page.viewWidth);
    const uint64_t h = static_cast<uint32_t>(page.viewHeight);
    const uint64_t stride = page.PixelStride();
    const uint64_t bytesPerPixel = page.trueColour() ? 3 : 1;
    if (stride < w * bytesPerPixel || stride > INT_MAX ||
        stride * (h - 1) + w * bytesPerPixel > page.pixels.size())
        return QImage();
    const uchar* data = page.pixels.data();
    const int iw = static_cast<int>(w), ih = static_cast<int>(h);
    const auto bpl = static_cast<qsizetype>(stride);
    if (page.trueColour()) return QImage(data, iw, ih, bpl, QImage::Format_BGR888);
    if (page.format == PixelFormat::Grey8) {
        return QImage(data, iw, ih, bpl, QImage::Format_Grayscale8);
    }
    QImage indexed(data, iw, ih, bpl, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (const RgbQuad& c : ColourTable(page)) table.push_back(qRgb(c.red, c.green, c.blue));
    indexed.setColorTable(table);
    return indexed;
}

QImage PageViewToWrite(const PageImage& page) {
    const QImage view = PageView(page);
    bool grey = view.format() == QImage::Format_Indexed8 && view.allGray();
    if (view.format() == QImage::Format_BGR888) {
        grey = true;
        for (int y = 0; grey && y < view.height(); ++y) {
            const uint8_t* row = view.constScanLine(y);
            for (int x = 0; grey && x < view.width(); ++x)
                grey = row[3 * x] == row[3 * x + 1] && row[3 * x] == row[3 * x + 2];
        }
    }
    return grey ? view.convertToFormat(QImage::Format_Grayscale8) : view;
}

bool RenderPage(const PageImage& page, RasterImage* out) {
    const QImage view = PageViewToWrite(page);
    if (view.isNull()) return false;
    out->width = static_cast<uint32_t>(view.width());
    out->height = static_cast<uint32_t>(view.height());
    out->grey = view.format() == QImage::Format_Grayscale8;
    const size_t row = size_t{out->width} * (out->grey ? 1 : 3);
    out->data.assign(row * out->height, 0);
    for (int y = 0; y < view.height(); ++y) {
        uint8_t* dst = out->data.data() + row * static_cast<size_t>(y);
        if (out->grey)
            std::copy_n(view.constScanLine(y), row, dst);
        else
            RgbRow(view, y, dst);
    }
    return true;
}

bool WritePageImage(const std::string& path, ImageFormat format, const QImage& image,
                    std::string* error) {
    if (format == ImageFormat::Unknown) {
        *error = path + ": unknown image format (use .pgm, .ppm or .png)";
        return false;
    }
    if (image.isNull()) {
        *error = path + ": the page has no pixels to write";
        return false;
    }
    AtomicFile file;
    bool written = file.Begin(path);
    if (written && format == ImageFormat::Png) {
        AtomicFileDevice device(file);
        QImageWriter writer(&device, "png");
        QuietCodecs quiet;
        written = writer.write(image) && file.IsOpen();
    } else if (written) {
        written = WriteNetpbm(file, image, format == ImageFormat::Pgm);
    }
    if (written && file.Commit()) return true;
    const int why = file.error();
    file.Abandon();
    *error = path + ": cannot write the " +
             (format == ImageFormat::Png   ? "PNG"
              : format == ImageFormat::Pgm ? "PGM"
                                           : "PPM") +
             ": " + (why != 0 ? std::strerror(why) : "the picture could not be encoded");
    return false;
}

uint64_t MaxImageFileSize(ImageFormat format, uint64_t width, uint64_t height, int bytesPerPixel) {
    const uint64_t header = 64;
    switch (format) {
        case ImageFormat::Pgm:
            return header + width * height;
        case ImageFormat::Ppm:
            return header + 3 * width * height;
        case ImageFormat::Png: {
            // One filter byte per row; deflate stores incompressible data in
            // blocks of at most 65535 bytes with 5 bytes each; IDAT chunks of
            // 8192 bytes or more with 12 bytes each; a 256-entry palette and
            // the other chunks within the last 4 KiB.
            const uint64_t raw = height * (1 + width * static_cast<uint64_t>(bytesPerPixel));
            return raw + 5 * (raw / 16383 + 1) + 6 + 12 * (raw / 8192 + 1) + 4096;
        }
        case ImageFormat::Unknown:
            break;
    }
    return 0;
}

}  // namespace inkvista::bookwriter
