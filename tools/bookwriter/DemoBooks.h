// A small library of made-up comics, drawn on the fly: both kinds of book,
// grey and colour, tall, wide and short pages, Korean and English texts.
// The same run always draws the same pages.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <string>
#include <vector>

#include "bookwriter/Packer.h"

namespace inkvista::bookwriter {

enum class DemoTheme { Night, Harbor, Hills, Space, Diner };

struct DemoBook {
    std::string fileName;  // in the library folder
    PackOptions options;   // kind, grey or colour, record, header texts
    int pageCount = 0;
    QSize pageSize;  // most pages; some books mix in shorter ones
    DemoTheme theme = DemoTheme::Night;
    uint64_t seed = 0;
};

// The books of the demo library.
std::vector<DemoBook> DemoBooks();

// Page `index` of `book`. Needs a QGuiApplication (text is painted with fonts).
QImage DrawDemoPage(const DemoBook& book, int index);

// Draws and writes every book into `dir` (created when missing); `written`
// receives the paths. False with `error` set on the first failure.
bool WriteDemoLibrary(const std::string& dir, std::vector<std::string>* written,
                      std::string* error);

}  // namespace inkvista::bookwriter
