// ComicInfo.xml as pack reads it from an archive: arbitrary bytes into the
// header texts. Reading never fails silently (a refused file says why and
// gives no texts), a read text is one line, and each text fitted to its
// header field encodes into that field.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "book/BookFormat.h"
#include "book/HeaderText.h"
#include "bookwriter/ComicInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace inkvista;
    using namespace inkvista::bookwriter;
    const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    HeaderTexts texts;
    std::string error;
    if (!ReadComicInfo(xml, &texts, &error)) {
        if (error.empty() || !texts.title.empty() || !texts.chapter.empty() ||
            !texts.author.empty() || !texts.publisher.empty())
            std::abort();
        return 0;
    }
    const std::pair<const std::string*, size_t> fields[] = {{&texts.title, kTitleWidth},
                                                            {&texts.chapter, kChapterWidth},
                                                            {&texts.author, kAuthorWidth},
                                                            {&texts.publisher, kPublisherWidth}};
    for (const auto& [text, width] : fields) {
        if (text->find('\n') != std::string::npos) std::abort();
        bool changed = false;
        const std::string fitted = FitHeaderText(*text, width, &changed);
        if (!EncodeHeaderText(fitted, width, nullptr, nullptr)) std::abort();
        if (!changed && fitted != *text) std::abort();
    }
    // What export writes reads back as the same texts.
    HeaderTexts again;
    if (!ReadComicInfo(WriteComicInfo(texts, 1), &again, &error) || again.title != texts.title ||
        again.chapter != texts.chapter || again.author != texts.author ||
        again.publisher != texts.publisher)
        std::abort();
    return 0;
}
