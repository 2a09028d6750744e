#include "bookwriter/JpegReader.h"

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "platform/LateBinding.h"

namespace inkvista::bookwriter {
namespace {

// libjpeg is bound at the first JPEG, not linked: a library loaded,
// relocated and torn down in every run of the reader, for the few runs that
// make a book.
constexpr char kLibJpeg[] = "libjpeg.so.62";

#define INKVISTA_LIBJPEG(X)        \
    X(jpeg_std_error)              \
    X(jpeg_CreateDecompress)       \
    X(jpeg_mem_src)                \
    X(jpeg_destroy_decompress)     \
    X(jpeg_read_header)            \
    X(jpeg_calc_output_dimensions) \
    X(jpeg_start_decompress)       \
    X(jpeg_read_scanlines)         \
    X(jpeg_finish_decompress)

INKVISTA_LATE_LIBRARY(LibJpeg, INKVISTA_LIBJPEG);

const LibJpeg& Jpeg() {
    static const LibJpeg lib = LibJpeg::Load(kLibJpeg);
    return lib;
}

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back to Decoder::Run. Only plain C data lives between that setjmp
// and the jump, so no destructor is skipped.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf back;
    int warnings;
};

extern "C" void FailJump(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->back, 1);
}

// Level -1 is a warning. Those saying the data is corrupt or ends early
// (the decoder then fills in what is missing) make the picture damaged, as
// they do through Qt's reader; others (an unknown JFIF revision, say) and
// trace messages (levels 0 and up) do not.
extern "C" void Note(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    char text[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, text);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* sign : {"premature end", "corrupt", "truncat", "error"})
        if (std::strstr(text, sign)) ++reinterpret_cast<ErrorManager*>(cinfo->err)->warnings;
}

extern "C" void Quiet(j_common_ptr) {}

struct Decompressor {
    jpeg_decompress_struct info;
    ErrorManager errors;

    Decompressor(const uint8_t* data, size_t size) {
        std::memset(&info, 0, sizeof info);
        std::memset(&errors, 0, sizeof errors);
        info.err = Jpeg().jpeg_std_error(&errors.base);
        errors.base.error_exit = FailJump;
        errors.base.emit_message = Note;
        errors.base.output_message = Quiet;
        Jpeg().jpeg_CreateDecompress(&info, JPEG_LIB_VERSION, sizeof info);
        Jpeg().jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    }
    ~Decompressor() { Jpeg().jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

bool ColourModel(J_COLOR_SPACE space) {
    return space != JCS_CMYK && space != JCS_YCCK;
}

// The steps that may fail, behind the setjmp; `out` is sized before
// decoding starts, so nothing is allocated past the jump target.
JpegOutcome Run(Decompressor& d, int eighths, bool grey, RasterImage* out) {
    if (setjmp(d.errors.back) != 0) return JpegOutcome::Damaged;
    if (Jpeg().jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK) return JpegOutcome::Damaged;
    if (!ColourModel(d.info.jpeg_color_space)) return JpegOutcome::Unsupported;
    d.info.scale_num = static_cast<unsigned>(eighths);
    d.info.scale_denom = 8;
    d.info.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    d.info.dct_method = JDCT_ISLOW;
    Jpeg().jpeg_calc_output_dimensions(&d.info);
    const size_t rowBytes = size_t{d.info.output_width} * (grey ? 1 : 3);
    out->width = d.info.output_width;
    out->height = d.info.output_height;
    out->grey = grey;
    out->data.resize(rowBytes * out->height);
    Jpeg().jpeg_start_decompress(&d.info);
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = out->data.data() + size_t{d.info.output_scanline} * rowBytes;
        if (Jpeg().jpeg_read_scanlines(&d.info, &row, 1) != 1) return JpegOutcome::Damaged;
    }
    Jpeg().jpeg_finish_decompress(&d.info);
    return d.errors.warnings > 0 ? JpegOutcome::Damaged : JpegOutcome::Done;
}

JpegOutcome Header(Decompressor& d, JpegHeader* header) {
    if (setjmp(d.errors.back) != 0) return JpegOutcome::Damaged;
    if (Jpeg().jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK) return JpegOutcome::Damaged;
    header->width = d.info.image_width;
    header->height = d.info.image_height;
    header->colourModel = ColourModel(d.info.jpeg_color_space);
    return JpegOutcome::Done;
}

}  // namespace

bool LooksLikeJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

JpegOutcome ReadJpegHeader(const uint8_t* data, size_t size, JpegHeader* header) {
    if (!Jpeg().loaded) return JpegOutcome::Unsupported;
    Decompressor d(data, size);
    return Header(d, header);
}

JpegOutcome DecodeJpeg(const uint8_t* data, size_t size, int eighths, bool grey, RasterImage* out) {
    if (eighths < 1 || eighths > 8 || !Jpeg().loaded) return JpegOutcome::Unsupported;
    Decompressor d(data, size);
    const JpegOutcome outcome = Run(d, eighths, grey, out);
    if (outcome != JpegOutcome::Done) *out = RasterImage();
    return outcome;
}

}  // namespace inkvista::bookwriter
