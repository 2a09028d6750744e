// ComicInfo.xml, the metadata file comic archives carry: read into a book's
// header texts when packing, written from them when exporting a book back
// to a CBZ. Read with QXmlStreamReader, which resolves the predefined and
// character entities and refuses undeclared ones.
#pragma once

#include <QByteArray>
#include <string>

namespace inkvista::bookwriter {

// The header texts of a book, in UTF-8.
struct HeaderTexts {
    std::string title, chapter, author, publisher;
};

// The file name a ComicInfo.xml entry has (compared without regard to case).
inline constexpr char kComicInfoName[] = "ComicInfo.xml";

// The most of a ComicInfo.xml that is read.
constexpr qsizetype kMaxComicInfoBytes = 1 << 20;

// The texts `xml` gives: the title from Series, or Title when there is no
// Series; the chapter from Number, or Volume; the author from Writer; the
// publisher from Publisher. Each is trimmed and its line breaks become
// spaces; a missing one stays empty. False with `error` set when the file is
// not well-formed XML or its root element is not ComicInfo.
bool ReadComicInfo(const QByteArray& xml, HeaderTexts* texts, std::string* error);

// A ComicInfo.xml (UTF-8) holding `texts` the way ReadComicInfo reads them,
// and the page count; empty texts are left out.
QByteArray WriteComicInfo(const HeaderTexts& texts, int pageCount);

// `utf8` shortened, at a character boundary, to what a header field of
// `fieldWidth` bytes holds in the Korean code page, characters the code page
// lacks left out. `changed` tells whether anything was cut or left out.
std::string FitHeaderText(const std::string& utf8, size_t fieldWidth, bool* changed);

}  // namespace inkvista::bookwriter
