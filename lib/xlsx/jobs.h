// The entries of a package being saved, produced on two threads and added to
// the zip in order: XML streamed by a part writer, binary bytes, or an entry
// copied still compressed from the package a book was read from.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "model/book.h"
#include "xlsx/part_deflater.h"
#include "xlsx/zip_archive.h"

namespace vel {

struct Job {
    std::string name;
    std::function<void(XmlWriter &)> xml;
    const std::vector<uint8_t> *bytes = nullptr;
    std::function<std::vector<uint8_t>()> make_bytes;
    // Adds the entry itself, on the thread that writes the zip (copies from
    // the source package, whose reader is not shared between threads).
    std::function<int(ZipArchive &, const ZipTime &)> copy;
};

// Produces the jobs on this thread and one worker and adds them to the zip
// in job order. 0 or the first failure (rc::GENERAL with `what` set, when a
// part writer threw).
int run_jobs(const std::vector<Job> &jobs, ZipArchive &zip, const ZipTime &time, std::string &what);

// Local date and time for the zip entries; UTC W3CDTF for the properties.
void save_times(ZipTime &zt, std::string &utc);

// Temporary file beside `path` for a disk save; empty when none can be made.
std::string make_temp_beside(const std::string &path);

// Where a save writes until it is complete: a temporary file beside a disk
// path (renamed over it at the end), or the memory file itself. Whatever
// ends the save early, the unfinished package is removed.
class SaveFile {
public:
    SaveFile(Book *book, const std::string &path, bool in_memory);
    ~SaveFile();
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;
    // Where the zip is written; empty when no temporary could be made.
    const std::string &target() const { return target_; }
    // Moves the finished package into place: 0 or rc::WRITE_FAILED.
    int commit();

private:
    Book *book_;
    std::string path_, target_;
    bool in_memory_, done_ = false;
};

} // namespace vel
