// Loading a registry file of nearly 16 MiB, the most one may hold, beside a
// plain read of the same file: open, read it whole into memory, close.
// Three files, each written by the registry itself:
// - mixed: keys with a number, a 520-byte folder string and 1-4 KiB of
//   binary data each, mostly hex lines going on over several lines;
// - long: one binary value of about 5 MiB over some 200,000 lines (the case
//   that used to take time growing with the square of its length);
// - small: a few hundred thousand short numbers, the most values per byte.
// bench/ratios.py prints the ratios of docs/performance.md.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/RegistryDocument.h"

namespace inkvista {
namespace {

constexpr size_t kLimit = 16 * 1024 * 1024;

struct Random {
    uint64_t state;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
};

RegistryValue Bytes(uint32_t type, size_t size, Random& random) {
    RegistryValue v{type, std::vector<uint8_t>(size)};
    for (uint8_t& b : v.data) b = static_cast<uint8_t>(random.Next());
    return v;
}

RegistryValue Number(uint32_t n) {
    return {REG_DWORD, {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}};
}

std::u16string Decimal(int n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

// Adds keys made by `add` until the file is within 1 MiB of the limit,
// looking at its size every `batch` keys.
template <class Add>
std::string Grow(int batch, Add add) {
    RegistryDocument doc;
    std::string text;
    for (int key = 0;; ++key) {
        add(doc, key);
        if (key % batch == batch - 1) {
            std::string grown = doc.Serialize();
            if (grown.size() > kLimit - 1024 * 1024) return text;
            text = std::move(grown);
        }
    }
}

std::string MixedFile() {
    Random random{1};
    return Grow(64, [&](RegistryDocument& doc, int key) {
        const std::u16string name = u"\\Software\\Vendor\\App" + Decimal(key);
        doc.CreateKey(name, nullptr);
        doc.SetValue(name, u"Count", Number(random.Next()));
        doc.SetValue(name, u"UserDir", Bytes(REG_SZ, 520, random));
        doc.SetValue(name, u"Data", Bytes(REG_BINARY, 1024 + random.Next() % 3072, random));
    });
}

std::string LongFile() {
    Random random{2};
    RegistryDocument doc;
    doc.CreateKey(u"\\Software\\Quillmark\\InkVISTA", nullptr);
    doc.SetValue(u"\\Software\\Quillmark\\InkVISTA", u"Big", Bytes(REG_BINARY, 5'200'000, random));
    return doc.Serialize();
}

std::string SmallFile() {
    Random random{3};
    return Grow(256, [&](RegistryDocument& doc, int key) {
        const std::u16string name = u"\\Software\\Many\\Key" + Decimal(key);
        doc.CreateKey(name, nullptr);
        for (int v = 0; v < 100; ++v)
            doc.SetValue(name, u"Value" + Decimal(v), Number(random.Next()));
    });
}

struct Files {
    std::filesystem::path folder;
    std::vector<std::filesystem::path> paths;  // mixed, long, small
    Files() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "inkvista-bench-XXXXXX").string();
        if (!mkdtemp(templ.data())) std::abort();
        folder = templ;
        const char* names[] = {"mixed.reg", "long.reg", "small.reg"};
        const std::string texts[] = {MixedFile(), LongFile(), SmallFile()};
        for (int i = 0; i < 3; ++i) {
            paths.push_back(folder / names[i]);
            FILE* out = std::fopen(paths.back().c_str(), "wb");
            if (!out || std::fwrite(texts[i].data(), 1, texts[i].size(), out) != texts[i].size()) {
                std::abort();
            }
            std::fclose(out);
            std::fprintf(stderr, "%-10s %9zu bytes\n", names[i], texts[i].size());
        }
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

const std::filesystem::path& File(int index) {
    static Files files;
    return files.paths[static_cast<size_t>(index)];
}

void LoadBench(benchmark::State& state) {
    const std::filesystem::path& path = File(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Registry registry(path);
        std::string problem;
        if (!registry.CheckFile(&problem)) std::abort();
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void ReadBench(benchmark::State& state) {
    const std::filesystem::path& path = File(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        std::string bytes(std::filesystem::file_size(path), '\0');
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
            if (n <= 0) std::abort();
            got += static_cast<size_t>(n);
        }
        close(fd);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void ArgNames(benchmark::internal::Benchmark* b) {
    b->ArgName("file")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
}

BENCHMARK(LoadBench)->Name("Registry/load")->Apply(ArgNames);
BENCHMARK(ReadBench)->Name("Registry/read")->Apply(ArgNames);

}  // namespace
}  // namespace inkvista
