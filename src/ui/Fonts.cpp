#include "ui/Fonts.h"

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <future>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AsideThread.h"

namespace inkvista {

namespace {

constexpr std::array kFiles = {
    FontFile{kSansFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "fonts-dejavu-core"},
    FontFile{kSansFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
             "fonts-dejavu-core"},
    FontFile{kSansFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
             "fonts-dejavu-extra", true},
    FontFile{kSansFamily, "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
             "fonts-dejavu-extra", true},
    FontFile{kSerifFamily, "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf",
             "fonts-liberation"},
    FontFile{kSerifFamily, "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf",
             "fonts-liberation"},
    FontFile{kHangulFamily, "/usr/share/fonts/truetype/nanum/NanumGothic.ttf", "fonts-nanum"},
    FontFile{kHangulFamily, "/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf", "fonts-nanum"},
};

}  // namespace

std::span<const FontFile> ReaderFontFiles() {
    return kFiles;
}

namespace {

// The machine's other faces of our families are left out of the
// configuration: a second "Liberation Serif" Regular (fonts-liberation2
// beside fonts-liberation) would otherwise have ours registered again as an
// application font, which scans its whole file (half a millisecond of
// every start on the fonts' way). Ours are then the families' only faces;
// nothing the reader draws asks for a style they lack. A family one of
// whose files is missing keeps all the machine's faces, the closest it has.
std::string OnlyOurFaces() {
    std::string accepted, rejected;
    std::vector<std::string_view> families;
    for (const FontFile& file : kFiles) {
        accepted += std::string("<pattern><patelt name=\"file\"><string>") + file.path +
                    "</string></patelt></pattern>";
        if (std::find(families.begin(), families.end(), file.family) != families.end()) continue;
        families.push_back(file.family);
        const bool allThere = std::all_of(kFiles.begin(), kFiles.end(), [&](const FontFile& f) {
            return std::string_view(f.family) != file.family || access(f.path, R_OK) == 0;
        });
        if (!allThere) continue;
        rejected += std::string("<pattern><patelt name=\"family\"><string>") + file.family +
                    "</string></patelt></pattern>";
    }
    return "<?xml version=\"1.0\"?><fontconfig><selectfont><acceptfont>" + accepted +
           "</acceptfont><rejectfont>" + rejected + "</rejectfont></selectfont></fontconfig>";
}

// fontconfig's own first start (FcInit) also parses every file of its
// template folder, only to describe them to fc-conflist: a third of the
// start, the longest part of the reader's. This is the same configuration
// without that: the same files of fonts.conf, rules, font folders and
// caches, and OnlyOurFaces' selection. A configuration that cannot be read
// is left to FcInit's own fallbacks. Must come before anything asks
// fontconfig for the current configuration, which would load it the long
// way.
void LoadMachineFontConfiguration() {
    FcConfig* config = FcConfigCreate();
    if (!config) return;
    FcStrList* cacheFolders = nullptr;
    const std::string onlyOurs = OnlyOurFaces();
    if (FcConfigParseAndLoad(config, nullptr, FcTrue) &&
        FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(onlyOurs.c_str()),
                                       FcTrue) &&
        (cacheFolders = FcConfigGetCacheDirs(config)) != nullptr && FcStrListNext(cacheFolders) &&
        FcConfigBuildFonts(config)) {
        FcConfigSetCurrent(config);  // takes a reference of its own
    }
    if (cacheFolders) FcStrListDone(cacheFolders);
    FcConfigDestroy(config);
}

struct FcDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
    void operator()(FcObjectSet* o) const { FcObjectSetDestroy(o); }
    void operator()(FcFontSet* f) const { FcFontSetDestroy(f); }
};
template <typename T>
using FcPtr = std::unique_ptr<T, FcDeleter>;

// Whether the machine's fonts, as fontconfig lists them from its caches,
// hold the file as the one face of its family, weight, slant and width. It
// is then the face the reader gets without registering it again, which
// would only scan the whole file once more (Hangul's most of all).
bool MachineGivesOnly(const FontFile& file) {
    FcPtr<FcPattern> ofFamily(FcPatternCreate());
    FcPtr<FcObjectSet> listed(FcObjectSetBuild(FC_FILE, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr));
    if (!ofFamily || !listed ||
        !FcPatternAddString(ofFamily.get(), FC_FAMILY,
                            reinterpret_cast<const FcChar8*>(file.family))) {
        return false;
    }
    FcPtr<FcFontSet> faces(FcFontList(nullptr, ofFamily.get(), listed.get()));
    if (!faces) return false;
    using Style = std::array<int, 3>;
    const auto styleOf = [](FcPattern* face, Style* style) {
        return FcPatternGetInteger(face, FC_WEIGHT, 0, &(*style)[0]) == FcResultMatch &&
               FcPatternGetInteger(face, FC_SLANT, 0, &(*style)[1]) == FcResultMatch &&
               FcPatternGetInteger(face, FC_WIDTH, 0, &(*style)[2]) == FcResultMatch;
    };
    const auto isOurs = [&file](FcPattern* face) {
        FcChar8* path = nullptr;
        return FcPatternGetString(face, FC_FILE, 0, &path) == FcResultMatch &&
               FcStrCmp(path, reinterpret_cast<const FcChar8*>(file.path)) == 0;
    };
    const std::span<FcPattern*> all(faces->fonts, static_cast<size_t>(faces->nfont));
    const auto ours = std::find_if(all.begin(), all.end(), isOurs);
    Style style{};
    if (std::count_if(all.begin(), all.end(), isOurs) != 1 || !styleOf(*ours, &style)) {
        return false;
    }
    // Ours, and nothing else in its style: not another face of the file
    // (as another family), nor another file's.
    return std::count_if(all.begin(), all.end(), [&](FcPattern* face) {
               Style other{};
               return !styleOf(face, &other) || other == style;
           }) == 1;
}

// The machine's font configuration, read ahead of the application.
AsideThread& ReadingConfiguration() {
    static AsideThread reading;
    return reading;
}

QStringList RegisterReaderFonts() {
    if (AsideThread& reading = ReadingConfiguration(); reading.Started()) {
        reading.Wait();
    } else {
        LoadMachineFontConfiguration();
    }
    QStringList notLoaded;
    // Of two faces with the same family and style the one registered
    // last is used. The machine's own faces are registered when the
    // database is first asked, so it is asked first: ours then come
    // after them, and again after any later re-read of the machine's.
    QFontDatabase::families();
    for (const FontFile& file : kFiles) {
        if (MachineGivesOnly(file)) continue;
        const QString path = QString::fromLatin1(file.path);
        // A file of another face at that path would not be the one meant.
        const int id = QFontDatabase::addApplicationFont(path);
        if (id < 0 || !QFontDatabase::applicationFontFamilies(id).contains(
                          QString::fromLatin1(file.family))) {
            notLoaded << path;
        }
    }
    return notLoaded;
}

// Looks up the machine's faces that follow ours for the texts' scripts:
// for each script a sort of all the machine's faces, which Qt then keeps
// for every thread. The faces set up here are this thread's own and are
// dropped with it.
void FindFallbacks() {
    QFontMetrics(ReaderFont(kSansFamily, 12)).horizontalAdvance(QStringLiteral("Ab 1 \uD55C"));
}

std::future<QStringList>& Registering() {
    static std::future<QStringList> registering;
    return registering;
}

// The fonts' thread, which goes on to the fallbacks once ours are in.
AsideThread& FontsThread() {
    static AsideThread thread;
    return thread;
}

}  // namespace

void StartReadingFontConfiguration() {
    AsideThread& reading = ReadingConfiguration();
    if (reading.Started()) return;
    reading = AsideThread(LoadMachineFontConfiguration);
}

void StartLoadingReaderFonts(bool findFallbacks) {
    std::future<QStringList>& registering = Registering();
    if (registering.valid()) return;
    auto registered = std::make_shared<std::promise<QStringList>>();
    registering = registered->get_future();
    // The window's thread goes on once ours are in. Should its first text
    // come while the fallbacks are still looked up here, it waits for them
    // in Qt's font database, which then has them for both threads.
    FontsThread() = AsideThread([findFallbacks, registered] {
        registered->set_value(RegisterReaderFonts());
        if (findFallbacks) FindFallbacks();
    });
    QGuiApplication::setFont(ReaderFont(kSansFamily, 12));
}

QStringList LoadReaderFonts() {
    static const QStringList missing = [] {
        std::future<QStringList>& registering = Registering();
        QStringList notLoaded = registering.valid() ? registering.get() : RegisterReaderFonts();
        QGuiApplication::setFont(ReaderFont(kSansFamily, 12));
        return notLoaded;
    }();
    return missing;
}

void EndLoadingReaderFonts() {
    LoadReaderFonts();
    FontsThread().Wait();
}

QFont ReaderFont(const char* family, int pixelSize) {
    QFont font;
    font.setFamilies({QString::fromLatin1(family), QString::fromLatin1(kHangulFamily)});
    font.setPixelSize(pixelSize);
    // Each face's own hinting, as the device drew its TrueType texts: crisp
    // at the screen's small sizes. The light hinting most desktops ask for
    // would have FreeType's autohinter study every face first, some 90
    // glyphs each, on the thread that draws the first text.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

}  // namespace inkvista
