#include "bookwriter/Packer.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <thread>

#include "book/BookHeader.h"
#include "book/HeaderText.h"
#include "bookwriter/ImageFiles.h"
#include "platform/Text.h"

namespace inkvista::bookwriter {
namespace {

bool EncodeField(const char* name, const std::string& text, size_t width, std::string* out,
                 std::string* error) {
    std::string why;
    if (EncodeHeaderText(text, width, out, &why)) return true;
    *error = std::string(name) + ": " + why;
    return false;
}

// Pictures waiting or being made per thread: enough to keep every thread
// busy while the feed reads the next one, few enough to bound memory.
constexpr size_t kInHandPerThread = 2;

// Threads making pages from pictures. Jobs are numbered as they are given;
// their results are taken back in the same order.
class PagePool {
  public:
    struct Result {
        size_t picture = 0;
        std::vector<encode::PagePlan> pages;
        std::string error;  // empty: done
    };

    PagePool(unsigned threads, const PageRule& rule) : rule_(rule) {
        for (unsigned i = 0; i < std::max(1u, threads); ++i)
            threads_.emplace_back([this] { Work(); });
    }
    ~PagePool() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
            queue_.clear();
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    PagePool(const PagePool&) = delete;
    PagePool& operator=(const PagePool&) = delete;

    size_t InHand() const {
        std::lock_guard lock(mutex_);
        return given_ - taken_;
    }

    void Give(size_t picture, PictureSource source, std::string name) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back({given_++, picture, std::move(source), std::move(name)});
        }
        wake_.notify_one();
    }

    // The result of the oldest job not taken yet; with `wait` false, none
    // when it is not done.
    std::optional<Result> Take(bool wait) {
        std::unique_lock lock(mutex_);
        if (taken_ == given_) return std::nullopt;
        if (wait) done_.wait(lock, [&] { return results_.count(taken_) > 0; });
        auto it = results_.find(taken_);
        if (it == results_.end()) return std::nullopt;
        Result r = std::move(it->second);
        results_.erase(it);
        ++taken_;
        return r;
    }

  private:
    struct Job {
        size_t number = 0;
        size_t picture = 0;
        PictureSource source;
        std::string name;
    };

    void Work() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
                if (stop_) return;
                job = std::move(queue_.front());
                queue_.pop_front();
            }
            Result r;
            r.picture = job.picture;
            try {
                if (!MakePages(job.source, job.name, rule_, &r.pages, &r.error) && r.error.empty())
                    r.error = job.name + ": could not be made into a page";
            } catch (const std::bad_alloc&) {
                r.pages.clear();
                r.error = job.name + ": not enough memory to make its page";
            } catch (const std::exception& e) {
                r.pages.clear();
                r.error = job.name + ": " + e.what();
            }
            job.source = PictureSource();  // its bytes go before the result waits
            {
                std::lock_guard lock(mutex_);
                results_.emplace(job.number, std::move(r));
            }
            done_.notify_all();
        }
    }

    const PageRule rule_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<Job> queue_;
    std::map<size_t, Result> results_;
    size_t given_ = 0, taken_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace

std::optional<BookKind> BookKindOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return BookKindFromName(
        Utf8ToUtf16(slash == std::string::npos ? path : path.substr(slash + 1)));
}

bool PrepareBook(const PackOptions& options, encode::BookPlan* book, std::string* error) {
    if (options.record != "CX" && options.record != "XC") {
        *error = "record must be CX or XC, not '" + options.record + "'";
        return false;
    }
    if (options.colour && options.record == "CX") {
        *error = "colour pages need XC records: a CX record always holds a grey page";
        return false;
    }
    book->kind = options.kind;
    book->variant = 0;
    book->extentLimit = 240;
    return EncodeField("title", options.title, kTitleWidth, &book->title, error) &&
           EncodeField("chapter", options.chapter, kChapterWidth, &book->chapter, error) &&
           EncodeField("author", options.author, kAuthorWidth, &book->author, error) &&
           EncodeField("publisher", options.publisher, kPublisherWidth, &book->publisher, error);
}

bool PackFeed(const std::string& out, size_t count, const PictureFeed& feed,
              const PackOptions& options, std::string* error) {
    encode::BookPlan book;
    if (!PrepareBook(options, &book, error)) return false;
    if (count > kMaxPages) {
        *error = std::to_string(count) + " pictures; a book holds at most " +
                 std::to_string(kMaxPages) + " pages";
        return false;
    }
    // Each picture has places for as many pages as it can make.
    const size_t places = options.spreads == Spreads::Split ? kMostPagesPerPicture : 1;
    ToolStderr();  // before any decoder silences stderr
    // What a killed run left beside the book goes first.
    RemoveStaleTemporaries(out);
    encode::BookStream stream;
    if (!stream.BeginSlots(out, book, static_cast<uint32_t>(count * places), options.sizeLimit)) {
        *error = out + ": cannot write the book: " + stream.Describe();
        return false;
    }
    PackProgress progress;
    progress.total = count;
    // No more threads than pictures.
    PagePool pool(static_cast<unsigned>(std::min<size_t>(options.jobs, std::max<size_t>(count, 1))),
                  options);
    auto write = [&](PagePool::Result r, std::string* why) {
        if (!r.error.empty()) {
            *why = r.error;
            return false;
        }
        for (size_t k = 0; k < r.pages.size(); ++k) {
            if (!stream.Add(static_cast<uint32_t>(r.picture * places + k), r.pages[k])) {
                *why = out + ": cannot write the book: " + stream.Describe();
                return false;
            }
        }
        progress.pages += r.pages.size();
        ++progress.pictures;
        if (options.progress) options.progress(progress);
        return true;
    };
    const size_t most = kInHandPerThread * std::max(1u, options.jobs);
    const PageSink sink = [&](size_t picture, PictureSource source, const std::string& name,
                              std::string* why) {
        if (picture >= count) {
            *why = name + ": no page " + std::to_string(picture + 1) + " in the book";
            return false;
        }
        while (pool.InHand() >= most)
            if (!write(*pool.Take(true), why)) return false;
        pool.Give(picture, std::move(source), name);
        while (std::optional<PagePool::Result> r = pool.Take(false))
            if (!write(std::move(*r), why)) return false;
        return true;
    };
    bool ok = feed(sink, error);
    while (ok && pool.InHand() > 0) ok = write(*pool.Take(true), error);
    if (!ok) {
        stream.Abandon();
        return false;
    }
    if (!stream.Finish(options.replace)) {
        *error = out + ": cannot write the book: " + stream.Describe();
        return false;
    }
    return true;
}

bool PackWith(const std::string& out, size_t count, const PictureMaker& get,
              const PackOptions& options, std::string* error) {
    const PictureFeed feed = [&](const PageSink& sink, std::string* why) {
        for (size_t i = 0; i < count; ++i) {
            PictureSource source;
            std::string name;
            if (!get(i, &source.image, &name, why)) return false;
            if (!sink(i, std::move(source), name, why)) return false;
        }
        return true;
    };
    return PackFeed(out, count, feed, options, error);
}

bool PackPictures(const std::string& out, const std::vector<QImage>& pictures,
                  const PackOptions& options, std::string* error) {
    return PackWith(
        out, pictures.size(),
        [&](size_t i, QImage* picture, std::string* name, std::string*) {
            *picture = pictures[i];
            *name = "page " + std::to_string(i + 1);
            return true;
        },
        options, error);
}

}  // namespace inkvista::bookwriter
