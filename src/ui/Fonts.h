// The faces the reader draws its texts with. They come from the files of
// the Debian font packages the program depends on, loaded by path, so that
// every machine draws the same pixels whatever else its font configuration
// holds or prefers (another "Liberation Serif", a different "sans-serif").
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <span>

namespace inkvista {

// The dialogs', list's and viewer's upright texts (its Condensed width serves
// the narrow dialog face).
inline constexpr char kSansFamily[] = "DejaVu Sans";
// The landscape bar's turned texts, in the metrics of the device's serif face.
inline constexpr char kSerifFamily[] = "Liberation Serif";
// Hangul, for Korean titles and header texts in any of the above.
inline constexpr char kHangulFamily[] = "NanumGothic";

// One face: the family it gives, its file and the package that installs it.
struct FontFile {
    const char* family;
    const char* path;
    const char* package;
    // The face is the family's Condensed width.
    bool condensed = false;
};

// Every file the reader loads, in the order they are loaded.
std::span<const FontFile> ReaderFontFiles();

// Loads every file of ReaderFontFiles as an application font, but for those
// the machine's fonts already hold as the one face of their family and
// style, and makes the sans face, with Hangul after it, the application's
// font (menus and message boxes). Needs a QGuiApplication; later calls only
// answer again. Answers the files that could not be loaded: their families
// are then whatever the machine has under those names.
QStringList LoadReaderFonts();

// Starts LoadReaderFonts' work on a thread of its own (Qt's font database
// may be filled from any thread) and makes the application's font at once;
// LoadReaderFonts then waits for it. For a start: the machine's fonts are
// read while the program builds its windows. Nothing may lay out text in
// between: a face looked up before ours are in could be another one.
// `findFallbacks` also looks up, after them, the machine's faces that
// follow ours for the texts' scripts: for a start whose window's thread has
// its window to set up meanwhile, not for one that waits for the fonts.
// LoadReaderFonts does not wait for that lookup.
void StartLoadingReaderFonts(bool findFallbacks = false);

// LoadReaderFonts, and then waits for the fonts' thread to end: before the
// application goes, as the thread uses it.
void EndLoadingReaderFonts();

// Starts reading the machine's font configuration on a thread of its own.
// It needs no application, so that it is under way while one is built;
// the fonts' loading then waits for it.
void StartReadingFontConfiguration();

// A font of `family` followed by the Hangul family, for characters the
// first lacks; `pixelSize` as QFont::setPixelSize; hinted by the faces' own
// instructions.
QFont ReaderFont(const char* family, int pixelSize);

}  // namespace inkvista
