// The pages `pack` would quantise, written as they are before quantising:
// what the resize (plain or in linear light, from a reduced or a full JPEG
// decode) makes of each picture, for bench/pack.sh to compare with the usual
// image tools' resize.
//
//   inkvista_pack_stages OUTDIR [--linear] [--full] [--colour] PICTURE...
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bookwriter/PagePictures.h"

int main(int argc, char** argv) {
    using namespace inkvista::bookwriter;
    if (argc < 3) {
        std::fprintf(
            stderr,
            "usage: inkvista_pack_stages OUTDIR [--linear] [--full] [--colour] PICTURE...\n");
        return 2;
    }
    PageRule rule;
    rule.size.mode = SizeRule::Mode::Width;
    rule.size.width = 320;
    bool full = false;
    std::vector<std::string> pictures;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--linear"))
            rule.linearLight = true;
        else if (!std::strcmp(argv[i], "--full"))
            full = true;
        else if (!std::strcmp(argv[i], "--colour"))
            rule.colour = true;
        else
            pictures.push_back(argv[i]);
    }
    int n = 0;
    for (const std::string& path : pictures) {
        PictureSource source;
        if (full)
            source.image = QImage(QString::fromStdString(path));  // decoded in full by Qt
        else
            source.path = path;
        std::vector<RasterImage> pages;
        std::string error;
        if (!PreparePages(source, path, rule, &pages, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const RasterImage& p = pages.front();
        QImage out(p.data.data(), static_cast<int>(p.width), static_cast<int>(p.height),
                   static_cast<qsizetype>(p.width * (p.grey ? 1 : 3)),
                   p.grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
        const std::string file = std::string(argv[1]) + "/" + std::to_string(n++) + ".png";
        if (!out.save(QString::fromStdString(file))) return 1;
    }
    return 0;
}
