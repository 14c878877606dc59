// Named in-memory files with a stream interface shaped like stdio, and the
// platform file layer (aod_) on POSIX. The memory-file tables are
// process-wide; table operations take an internal lock, while reading and
// writing one MFILE is left to the one thread that uses it.
//
// Memory-file sizes are 32-bit: a write that would take a file past
// 2 GiB - 2 bytes fails with state -9 and nothing written.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int MFILE_MAX_OPEN_FILES = 100000;
constexpr int MFILE_NAME_LEN = 256;

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
};

// "wb" creates or truncates; "rb" and "ab" both reopen a memory file of that
// name at position 0, else load the disk file of that name into a new one.
MFILE *mopen(const char *name, const char *mode);
size_t mread(void *buffer, size_t size, size_t count, MFILE *f); // bytes read
// Items written, or 0 with state -9 when memory ran out or the file would
// pass the size limit; a file in state -9 takes no writes until reopened "wb".
size_t mwrite(const void *buffer, size_t size, size_t count, MFILE *f);
int mseek(MFILE *f, long offset, int origin);
long mtell(MFILE *f);
int mclose(MFILE *f);
int meof(MFILE *f);
int mclear(const char *name);
int mdelete(const char *name);
long msize(const char *name);
int mlist(char (*names)[260], int *count);
int mcount(void);
int mfree_all(void);
const char *merror(void);
// 0 moves the live table aside, any other value moves it back; the records
// move as they are (MFILE pointers stay valid) and replace whatever the
// receiving table held.
int mcopy(int direction);
MFILE *mfind(const char *name); // live record of that name (state != 9) or null

// Platform file layer.
// Origins of aod_fseek.
constexpr int AOD_SEEK_SET = 1;
constexpr int AOD_SEEK_END = 2;
constexpr int AOD_SEEK_CUR = 3;

struct AOD_FILE {
    int fd;
    int mode;
    // Read-ahead used by aod_fgets only; the other operations give the unread
    // part back to the descriptor before they touch it.
    int ahead_pos;
    int ahead_len;
    unsigned char ahead[4096];
};
AOD_FILE *aod_fopen(const char *path, int mode);
int aod_fclose(AOD_FILE *f);
size_t aod_fread(void *buffer, size_t count, AOD_FILE *f);
size_t aod_fwrite(const void *buffer, size_t count, AOD_FILE *f);
int aod_fseek(AOD_FILE *f, long offset, int origin);
int aod_fsze(const char *path, long *size);
// *buffer is allocated with malloc (release it with free); *length, when
// given, receives the byte count without the terminating zero.
int aod_fload(int mode, const char *path, char **buffer, long *length);
int aod_fgets(char *buffer, int size, AOD_FILE *f);
int aod_modpath(char *buffer); // buffer of 256 bytes
