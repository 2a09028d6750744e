#include "BookWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "book/BookFormat.h"
#include "platform/ByteOrder.h"

namespace inkvista::encode {
namespace {

// Byte layout: every number big-endian, texts cut to their fields.

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    StoreBE16(out.data() + at, v);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    StoreBE32(out.data() + at, v);
}

void PutText(std::vector<uint8_t>& out, size_t at, size_t width, const std::string& text) {
    std::copy_n(text.begin(), std::min(width, text.size()), out.begin() + static_cast<long>(at));
}

const RecordLayout& LayoutOf(const PagePlan& page) {
    return page.record == "XC" ? kXcRecord : kCxRecord;
}

void PutRecordFields(const PagePlan& page, std::vector<uint8_t>& out) {
    const RecordLayout& layout = LayoutOf(page);
    std::copy_n(page.record.begin(), std::min(kRecordMagicSize, page.record.size()), out.begin());
    const uint32_t packedSize =
        page.packedSizeField.value_or(static_cast<uint32_t>(page.packed.size()));
    const auto paletteCount = static_cast<uint16_t>(page.palette.size() / kPaletteEntrySize);
    Put32(out, layout.width, page.width);
    Put32(out, layout.height, page.height);
    Put16(out, layout.bitsPerPixel, page.bitsPerPixel);
    Put32(out, layout.packedSize, packedSize);
    Put16(out, layout.skipWords, page.skipWords);
    Put16(out, layout.paletteCount, paletteCount);
    if (&layout == &kXcRecord) Put16(out, kXcZeroFieldOffset, page.field32);
}

uint64_t TableEnd(const BookPlan& plan) {
    return HeaderSize(plan.kind) + kPageTableEntrySize * uint64_t{plan.pages.size()};
}

}  // namespace

bool IsGrey(const PagePlan& page) {
    return page.record != "XC" || page.bitsPerPixel != kColourBitsPerPixel;
}

size_t HeaderSize(BookKind kind) {
    return static_cast<size_t>(PageTableOffset(kind));
}

std::vector<uint8_t> BuildHeader(const BookPlan& plan, uint16_t pageCount) {
    std::vector<uint8_t> out(HeaderSize(plan.kind), 0);
    const std::string magic = plan.magic.value_or(
        std::string(plan.kind == BookKind::Cmb ? kCmbMagic : kCxbMagic, kBookMagicSize));
    std::copy_n(magic.begin(), std::min(kBookMagicSize, magic.size()),
                out.begin() + kBookMagicOffset);
    Put16(out, kPageCountOffset, plan.pageCountField.value_or(pageCount));
    PutText(out, kTitleOffset, kTitleWidth, plan.title);
    PutText(out, kChapterOffset, kChapterWidth, plan.chapter);
    PutText(out, kAuthorOffset, kAuthorWidth, plan.author);
    PutText(out, kPublisherOffset, kPublisherWidth, plan.publisher);
    const size_t extension = kBookHeaderSize;
    if (plan.kind == BookKind::Cmb) {
        Put16(out, extension + kCmbExtentLimitOffset, plan.extentLimit);
    } else {
        Put16(out, extension + kCxbVariantOffset, plan.variant);
        Put16(out, extension + kCxbExtentLimitOffset, plan.extentLimit);
    }
    return out;
}

std::vector<uint8_t> BuildOffsetTable(const std::vector<uint32_t>& offsets) {
    std::vector<uint8_t> out(kPageTableEntrySize * offsets.size(), 0);
    for (size_t i = 0; i < offsets.size(); ++i) Put32(out, kPageTableEntrySize * i, offsets[i]);
    return out;
}

std::vector<uint8_t> BuildPageRecord(const PagePlan& page) {
    std::vector<uint8_t> out(LayoutOf(page).size, 0);
    PutRecordFields(page, out);
    const bool grey = IsGrey(page);
    if (grey) out.resize(out.size() + size_t{page.skipWords} * kSkipWordSize, 0);
    out.insert(out.end(), page.palette.begin(), page.palette.end());
    if (grey) out.resize(out.size() + size_t{page.height} * kRowTableEntrySize, 0);  // never read
    return out;
}

uint64_t PageSize(const PagePlan& page) {
    uint64_t size = LayoutOf(page).size + page.palette.size() + page.packed.size();
    if (IsGrey(page))
        size +=
            uint64_t{page.skipWords} * kSkipWordSize + uint64_t{page.height} * kRowTableEntrySize;
    return size;
}

std::vector<uint32_t> PageOffsets(const BookPlan& plan) {
    std::vector<uint32_t> offsets;
    uint64_t at = TableEnd(plan);
    for (const PagePlan& page : plan.pages) {
        offsets.push_back(static_cast<uint32_t>(at));
        at += PageSize(page);
    }
    return offsets;
}

uint64_t BookSize(const BookPlan& plan) {
    uint64_t size = TableEnd(plan);
    for (const PagePlan& page : plan.pages) size += PageSize(page);
    return size;
}

std::vector<uint8_t> BuildBook(const BookPlan& plan) {
    std::vector<uint8_t> out =
        BuildHeader(plan, static_cast<uint16_t>(std::min<size_t>(plan.pages.size(), 0xFFFF)));
    const std::vector<uint8_t> table = BuildOffsetTable(PageOffsets(plan));
    out.insert(out.end(), table.begin(), table.end());
    for (const PagePlan& page : plan.pages) {
        const std::vector<uint8_t> record = BuildPageRecord(page);
        out.insert(out.end(), record.begin(), record.end());
        out.insert(out.end(), page.packed.begin(), page.packed.end());
    }
    return out;
}

bool WriteBook(const std::string& path, const BookPlan& plan) {
    if (plan.pages.size() > 0xFFFF) return false;
    BookStream stream;
    if (!stream.Begin(path, plan, static_cast<uint16_t>(plan.pages.size()))) return false;
    for (size_t i = 0; i < plan.pages.size(); ++i)
        if (!stream.Add(static_cast<uint16_t>(i), plan.pages[i])) return false;
    return stream.Finish();
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        return false;
    return std::fflush(f.get()) == 0;
}

bool BookStream::Fail(Failure failure, int error) {
    if (failure_ == Failure::None) {
        failure_ = failure;
        error_ = error;
    }
    Abandon();
    return false;
}

bool BookStream::Begin(const std::filesystem::path& path, const BookPlan& header,
                       uint16_t pageCount, uint64_t sizeLimit) {
    slots_ = false;
    return Start(path, header, pageCount, sizeLimit);
}

bool BookStream::BeginSlots(const std::filesystem::path& path, const BookPlan& header,
                            uint32_t slots, uint64_t sizeLimit) {
    slots_ = true;
    return Start(path, header, slots, sizeLimit);
}

bool BookStream::Start(const std::filesystem::path& path, const BookPlan& header, uint32_t entries,
                       uint64_t sizeLimit) {
    Abandon();
    failure_ = Failure::None;
    error_ = 0;
    limit_ = sizeLimit;
    offsets_.assign(entries, 0);
    added_.assign(entries, false);
    const std::vector<uint8_t> front =
        BuildHeader(header, slots_ ? 0 : static_cast<uint16_t>(entries));
    tableAt_ = front.size();
    size_ = front.size() + kPageTableEntrySize * uint64_t{entries};
    if (size_ > limit_) return Fail(Failure::TooLarge, 0);
    if (!file_.Begin(path)) return Fail(Failure::Io, file_.error());
    struct stat st {};
    if (lstat(file_.temporary().c_str(), &st) != 0) return Fail(Failure::Io, errno);
    device_ = st.st_dev;
    inode_ = st.st_ino;
    // The table is filled in at the end; until then it is zeros.
    const std::vector<uint8_t> table(kPageTableEntrySize * size_t{entries}, 0);
    if (!file_.Write(front.data(), front.size()) || !file_.Write(table.data(), table.size()))
        return Fail(Failure::Io, file_.error());
    return true;
}

bool BookStream::Add(uint32_t index, const PagePlan& page) {
    if (!file_.IsOpen()) return Fail(Failure::Io, error_ != 0 ? error_ : EBADF);
    if (index >= added_.size() || added_[index]) return Fail(Failure::BadPage, 0);
    if (size_ + PageSize(page) > limit_) return Fail(Failure::TooLarge, 0);
    const std::vector<uint8_t> record = BuildPageRecord(page);
    if (!file_.Write(record.data(), record.size()) ||
        !file_.Write(page.packed.data(), page.packed.size()))
        return Fail(Failure::Io, file_.error());
    offsets_[index] = static_cast<uint32_t>(size_);
    added_[index] = true;
    size_ += PageSize(page);
    return true;
}

// AtomicFile only appends, and the offsets are known only now: the table is
// written through a second descriptor on the same temporary, checked to be
// the very file made at Begin. Commit's flush covers both writes, as fsync
// flushes the file and not one descriptor.
bool BookStream::WriteAt(uint64_t offset, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return true;
    const int fd = open(file_.temporary().c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Fail(Failure::Io, errno);
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
    int error = ok ? 0 : (errno != 0 ? errno : EIO);
    size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n =
            pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (!ok) error = n < 0 ? errno : ENOSPC;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    return ok || Fail(Failure::Io, error);
}

bool BookStream::Finish(bool replace) {
    if (!file_.IsOpen()) return Fail(Failure::Io, error_ != 0 ? error_ : EBADF);
    std::vector<uint32_t> offsets;
    if (slots_) {
        for (size_t i = 0; i < offsets_.size(); ++i)
            if (added_[i]) offsets.push_back(offsets_[i]);
        if (offsets.size() > 0xFFFF) return Fail(Failure::TooManyPages, 0);
        std::vector<uint8_t> count(2);
        StoreBE16(count.data(), static_cast<uint16_t>(offsets.size()));
        if (!WriteAt(kPageCountOffset, count)) return false;
    } else {
        if (std::find(added_.begin(), added_.end(), false) != added_.end())
            return Fail(Failure::BadPage, 0);
        offsets = offsets_;
    }
    if (!WriteAt(tableAt_, BuildOffsetTable(offsets))) return false;
    if (!(replace ? file_.Commit() : file_.CommitNew()))
        return Fail(file_.error() == EEXIST ? Failure::Exists : Failure::Io, file_.error());
    return true;
}

void BookStream::Abandon() {
    file_.Abandon();
}

std::string BookStream::Describe() const {
    switch (failure_) {
        case Failure::None:
            return "";
        case Failure::Io:
            return std::strerror(error_ != 0 ? error_ : EIO);
        case Failure::TooLarge:
            return "the book would pass " +
                   (limit_ == kMaxBookSize ? std::string("4 GiB")
                                           : std::to_string(limit_) + " bytes") +
                   ", beyond what its 32-bit page offsets can reach";
        case Failure::BadPage:
            return "a page is missing or given twice";
        case Failure::TooManyPages:
            return "more than 65535 pages, the most a book holds";
        case Failure::Exists:
            return "a file of that name is there already";
    }
    return "";
}

}  // namespace inkvista::encode
