// The package zip: minizip driven through its file-callback table, so that
// the archive lives in a real file or in a named memory file. Entries are
// added already compressed (raw mode) in the order they are given.
#pragma once
#include <cstdint>
#include <string>

#include "xlsx/part_deflater.h"

struct MFileTable;

namespace vel {

class ZipReader;

// Date and time stored in every entry (local time of the save).
struct ZipTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class ZipArchive {
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // Creates the archive at `path`: a disk file, or the memory file of that
    // name in `memory` when given. 0, or rc::OPEN_FAILED.
    int open(const std::string &path, MFileTable *memory);
    // Adds one entry. 0, rc::WRITE_FAILED on a write failure.
    int add(const char *name, const CompressedPart &part, const ZipTime &time);
    // Copies entry `index` of a package being read, still compressed, with
    // its date and time, attributes, flags and extra fields. 0,
    // rc::WRITE_FAILED, or the reader's negative status (its error() says why).
    int copy_from(ZipReader &source, size_t index);
    // Writes the central directory and closes. 0, rc::WRITE_FAILED or rc::ZIP_FAILED.
    int close();
    // Closes without finishing (after a failure); the caller removes the file.
    void abandon();

private:
    void *zip_ = nullptr;   // zipFile
};

} // namespace vel
