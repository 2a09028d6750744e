#include "bookwriter/ComicInfo.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include "book/HeaderText.h"
#include "platform/Text.h"

namespace inkvista::bookwriter {
namespace {

// Header texts are one line.
std::string Clean(const QString& text) {
    return text.simplified().toStdString();
}

}  // namespace

bool ReadComicInfo(const QByteArray& xml, HeaderTexts* texts, std::string* error) {
    *texts = HeaderTexts();
    QXmlStreamReader reader(xml);
    std::string series, title, number, volume;
    bool root = false;
    while (reader.readNextStartElement()) {
        if (!root) {
            if (reader.name() != QLatin1String("ComicInfo")) {
                *error = "its root element is " + reader.name().toString().toStdString() +
                         ", not ComicInfo";
                return false;
            }
            root = true;
            continue;
        }
        const QStringView name = reader.name();
        std::string* field = name == QLatin1String("Series")      ? &series
                             : name == QLatin1String("Title")     ? &title
                             : name == QLatin1String("Number")    ? &number
                             : name == QLatin1String("Volume")    ? &volume
                             : name == QLatin1String("Writer")    ? &texts->author
                             : name == QLatin1String("Publisher") ? &texts->publisher
                                                                  : nullptr;
        if (!field) {
            reader.skipCurrentElement();
            continue;
        }
        *field = Clean(reader.readElementText(QXmlStreamReader::IncludeChildElements));
    }
    // What follows the root must be well-formed too.
    while (!reader.atEnd() && !reader.hasError()) reader.readNext();
    if (reader.hasError() || !root) {
        *error = reader.hasError() ? "line " + std::to_string(reader.lineNumber()) + ": " +
                                         reader.errorString().toStdString()
                                   : "it holds no ComicInfo element";
        *texts = HeaderTexts();
        return false;
    }
    texts->title = !series.empty() ? series : title;
    texts->chapter = !number.empty() ? number : volume;
    return true;
}

QByteArray WriteComicInfo(const HeaderTexts& texts, int pageCount) {
    QByteArray out;
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("ComicInfo"));
    auto field = [&](const char* name, const std::string& text) {
        if (!text.empty())
            writer.writeTextElement(QLatin1String(name), QString::fromStdString(text));
    };
    field("Series", texts.title);
    field("Number", texts.chapter);
    field("Writer", texts.author);
    field("Publisher", texts.publisher);
    writer.writeTextElement(QStringLiteral("PageCount"), QString::number(pageCount));
    writer.writeEndElement();
    writer.writeEndDocument();
    return out;
}

std::string FitHeaderText(const std::string& utf8, size_t fieldWidth, bool* changed) {
    *changed = false;
    std::string kept;
    size_t used = 0;
    for (size_t at = 0; at < utf8.size();) {
        size_t length = 0;
        const std::optional<char32_t> c = DecodeUtf8(std::string_view(utf8).substr(at), &length);
        if (!c || length == 0) {
            // Not UTF-8: the byte is left out, as a character the code page lacks.
            *changed = true;
            ++at;
            continue;
        }
        const std::string character = utf8.substr(at, length);
        at += length;
        std::string bytes;
        if (!EncodeHeaderText(character, fieldWidth, &bytes, nullptr)) {
            *changed = true;
            continue;
        }
        if (used + bytes.size() > fieldWidth) {
            *changed = true;
            break;
        }
        used += bytes.size();
        kept += character;
    }
    return kept;
}

}  // namespace inkvista::bookwriter
