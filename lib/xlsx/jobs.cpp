// Running the save jobs of a package on two threads.
#include "xlsx/jobs.h"

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "core/status.h"
#include "io/mfile.h"

namespace vel {

namespace {

CompressedPart produce(const Job &job, PartDeflater &deflater) {
    if (job.xml) {
        deflater.begin();
        XmlWriter w(deflater);
        job.xml(w);
        w.flush();
        return deflater.finish();
    }
    if (job.bytes) return compress_bytes(deflater, job.bytes->data(), job.bytes->size());
    std::vector<uint8_t> bytes = job.make_bytes();
    return compress_bytes(deflater, bytes.data(), bytes.size());
}

int failure_code(std::exception_ptr e, std::string &what) {
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc &) {
        return -2;
    } catch (const std::exception &x) {
        what = x.what();
        return -1;
    } catch (...) {
        return -1;
    }
}

} // namespace

// At most LOOKAHEAD finished parts wait for their turn.
int run_jobs(const std::vector<Job> &jobs, ZipArchive &zip, const ZipTime &time, std::string &what) {
    constexpr size_t LOOKAHEAD = 8;
    const size_t n = jobs.size();
    std::vector<std::optional<CompressedPart>> done(n);
    std::mutex mu;
    std::condition_variable cv;
    size_t next = 0, written = 0;
    int error = 0;

    auto take = [&](std::unique_lock<std::mutex> &) -> std::optional<size_t> {
        while (next < n && jobs[next].copy) ++next;   // copies are made by the zip writer
        if (error || next >= n || next >= written + LOOKAHEAD) return std::nullopt;
        return next++;
    };
    auto work = [&](size_t i, PartDeflater &deflater, std::unique_lock<std::mutex> &lk) {
        lk.unlock();
        std::optional<CompressedPart> part;
        int rc = 0;
        std::string text;
        try {
            part = produce(jobs[i], deflater);
        } catch (...) {
            rc = failure_code(std::current_exception(), text);
            if (!text.empty()) text = jobs[i].name + ": " + text;
        }
        lk.lock();
        if (rc && !error) {
            error = rc;
            what = text;
        }
        if (part) done[i] = std::move(part);
        cv.notify_all();
    };

    std::thread worker([&] {
        try {
            PartDeflater deflater;
            std::unique_lock<std::mutex> lk(mu);
            for (;;) {
                cv.wait(lk, [&] { return error || next >= n || next < written + LOOKAHEAD; });
                std::optional<size_t> i = take(lk);
                if (!i) break;
                work(*i, deflater, lk);
            }
        } catch (...) {
            std::lock_guard<std::mutex> lk(mu);
            if (!error) error = -2;
            cv.notify_all();
        }
    });

    // The worker must be joined however this thread's part ends.
    try {
        PartDeflater deflater;
        std::unique_lock<std::mutex> lk(mu);
        for (;;) {
            while (!error && written < n && (done[written] || jobs[written].copy)) {
                int rc;
                if (jobs[written].copy) {
                    lk.unlock();
                    rc = jobs[written].copy(zip, time);
                } else {
                    CompressedPart part = std::move(*done[written]);
                    done[written].reset();
                    lk.unlock();
                    rc = zip.add(jobs[written].name.c_str(), part, time);
                }
                lk.lock();
                if (rc && !error) error = rc;
                ++written;
                cv.notify_all();
            }
            if (error || written == n) break;
            if (std::optional<size_t> i = take(lk)) {
                work(*i, deflater, lk);
                continue;
            }
            cv.wait(lk);
        }
        cv.notify_all();
    } catch (...) {
        std::string text;
        int rc = failure_code(std::current_exception(), text);
        std::lock_guard<std::mutex> lk(mu);
        if (!error) error = rc;
        cv.notify_all();
    }
    worker.join();
    return error;
}

// Local date and time for the zip entries; UTC W3CDTF for the properties.
void save_times(ZipTime &zt, std::string &utc) {
    std::time_t now = std::time(nullptr);
    std::tm local{}, gm{};
    localtime_r(&now, &local);
    gmtime_r(&now, &gm);
    zt = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", gm.tm_year + 1900, gm.tm_mon + 1,
                  gm.tm_mday, gm.tm_hour, gm.tm_min, gm.tm_sec);
    utc = buf;
}

// Temporary file beside `path` for a disk save; empty when none can be made.
std::string make_temp_beside(const std::string &path) {
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return {};
    // The finished file gets the ordinary permissions of a new file.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return temp;
}


SaveFile::SaveFile(Book *book, const std::string &path, bool in_memory)
    : book_(book), path_(path), target_(in_memory ? path : make_temp_beside(path)), in_memory_(in_memory) {}

SaveFile::~SaveFile() {
    if (done_ || target_.empty()) return;
    if (in_memory_) mdelete(book_->files, target_.c_str());
    else std::remove(target_.c_str());
}

int SaveFile::commit() {
    if (!in_memory_ && std::rename(target_.c_str(), path_.c_str()) != 0) return rc::WRITE_FAILED;
    done_ = true;
    return rc::OK;
}

} // namespace vel
