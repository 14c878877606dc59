// Named in-memory files with a stream interface shaped like stdio. Every
// book owns one table of them (MFileTable); a table is used by one thread at
// a time, like its book. Beside the tables there is one process-wide
// set-aside table, into which mcopy moves a table's records and back.
//
// Memory-file sizes are 32-bit: a write that would take a file past
// 2 GiB - 2 bytes fails with state -9 and nothing written.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

constexpr int MFILE_MAX_OPEN_FILES = 100000;
constexpr int MFILE_NAME_LEN = 256;

struct MFileTable;

struct MFILE {
    char name[260];
    int32_t state;        // 0 open, 1 closed (contents kept), 9 deleted, -9 write failed
    int32_t index;        // slot in the table
    unsigned char *data;
    int32_t grow_step;
    int32_t capacity;
    int32_t grow_factor;
    int32_t size;
    int32_t pos;
    int32_t entry_time[6]; // sec, min, hour, day, month, year for the zip entry
    MFileTable *owner;    // the table that holds the record
};

// A table of memory files. Its records live from their first mopen until
// mdelete, mfree_all, a move by mcopy or the table's end.
struct MFileTable {
    MFileTable();
    ~MFileTable();
    MFileTable(const MFileTable &) = delete;
    MFileTable &operator=(const MFileTable &) = delete;
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// "wb" creates or truncates; "rb" and "ab" both reopen a memory file of that
// name at position 0, else load the disk file of that name into a new one.
MFILE *mopen(MFileTable &t, const char *name, const char *mode);
size_t mread(void *buffer, size_t size, size_t count, MFILE *f); // bytes read
// Items written, or 0 with state -9 when memory ran out or the file would
// pass the size limit; a file in state -9 takes no writes until reopened "wb".
size_t mwrite(const void *buffer, size_t size, size_t count, MFILE *f);
int mseek(MFILE *f, long offset, int origin);
long mtell(MFILE *f);
int mclose(MFILE *f);
int meof(MFILE *f);
int mclear(MFileTable &t, const char *name);
int mdelete(MFileTable &t, const char *name);
long msize(MFileTable &t, const char *name);
int mlist(MFileTable &t, char (*names)[260], int *count);
int mcount(MFileTable &t);
int mfree_all(MFileTable &t);
const char *merror(MFileTable &t);
// 0 moves the table's records into the set-aside table, any other value
// moves the set-aside records into the table; the records move as they are
// (MFILE pointers stay valid) and replace whatever the receiving table held.
int mcopy(MFileTable &t, int direction);
// Moves the set-aside record of that name, if any, into the table (where it
// replaces a record of the same name). 0 when moved, -1 when there is none.
int mtake_aside(MFileTable &t, const char *name);
MFILE *mfind(MFileTable &t, const char *name); // live record of that name (state != 9) or null
// Runs fn on the set-aside record of that name while the set-aside table is
// held; fn's result, or -1 when there is no such record.
int mwith_aside(const char *name, int (*fn)(MFILE *f, void *context), void *context);
