// Platform file layer on POSIX descriptors.
#include "io/aodfile.h"

#include "io/mfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kLoadChunk = 4096;

// Gives the unread part of the fgets read-ahead back to the descriptor so
// that its offset is the logical position again.
bool sync_ahead(AOD_FILE *f) {
    int unread = f->ahead_len - f->ahead_pos;
    f->ahead_pos = f->ahead_len = 0;
    if (unread > 0 && ::lseek(f->fd, -static_cast<off_t>(unread), SEEK_CUR) < 0) return false;
    return true;
}

size_t read_fd(int fd, unsigned char *p, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

// Next byte for aod_fgets, or -1 at the end of the file.
int next_byte(AOD_FILE *f) {
    if (f->ahead_pos >= f->ahead_len) {
        f->ahead_pos = 0;
        f->ahead_len = static_cast<int>(read_fd(f->fd, f->ahead, sizeof f->ahead));
        if (f->ahead_len == 0) return -1;
    }
    return f->ahead[f->ahead_pos++];
}

void unget_byte(AOD_FILE *f) {
    if (f->ahead_pos > 0) --f->ahead_pos;
}

// Makes room for `need` bytes in a malloc'd buffer, growing by doubling from
// 4,096 bytes.
bool reserve(char *&buf, size_t &cap, size_t need) {
    if (need <= cap) return true;
    size_t grown = cap ? cap * 2 : kLoadChunk;
    if (grown < need) grown = need;
    void *p = std::realloc(buf, grown);
    if (!p) return false;
    buf = static_cast<char *>(p);
    cap = grown;
    return true;
}

// Reads through `read` (bytes into a buffer, 0 at the end) into a fresh
// zero-terminated buffer.
template <typename Read>
int load_all(Read read, char **buffer, long *length) {
    char *buf = nullptr;
    size_t cap = 0, len = 0;
    for (;;) {
        if (!reserve(buf, cap, len + kLoadChunk + 1)) {
            std::free(buf);
            return -2;
        }
        size_t n = read(buf + len, kLoadChunk);
        if (n == 0) break;
        len += n;
    }
    buf[len] = '\0';
    *buffer = buf;
    if (length) *length = static_cast<long>(len);
    return 0;
}

} // namespace

AOD_FILE *aod_fopen(const char *path, int mode) {
    if (!path || !*path) return nullptr;
    int flags;
    switch (mode) {
    case 1: flags = O_RDONLY; break;
    case 2: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case 3: flags = O_WRONLY | O_CREAT; break;
    case 4: flags = O_RDWR | O_CREAT; break;
    default: return nullptr;
    }
    // Opened without blocking so that a FIFO without a peer cannot hang the
    // open; the handle itself then blocks as usual.
    int fd = ::open(path, flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || ::fcntl(fd, F_SETFL, flags) != 0 ||
        (mode == 3 && ::lseek(fd, 0, SEEK_END) < 0)) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<AOD_FILE> f;
    try {
        f = std::make_unique<AOD_FILE>();
    } catch (const std::bad_alloc &) {
        ::close(fd);
        return nullptr;
    }
    f->fd = fd;
    f->mode = mode;
    return f.release();
}

int aod_fclose(AOD_FILE *f) {
    if (!f) return -3;
    std::unique_ptr<AOD_FILE> owner(f);
    return ::close(owner->fd) == 0 ? 0 : -1;
}

size_t aod_fread(void *buffer, size_t count, AOD_FILE *f) {
    if (!f || !buffer) return 0;
    auto *p = static_cast<unsigned char *>(buffer);
    size_t done = 0;
    if (f->ahead_pos < f->ahead_len) {
        size_t avail = static_cast<size_t>(f->ahead_len - f->ahead_pos);
        done = count < avail ? count : avail;
        std::memcpy(p, f->ahead + f->ahead_pos, done);
        f->ahead_pos += static_cast<int>(done);
    }
    return done + read_fd(f->fd, p + done, count - done);
}

size_t aod_fwrite(const void *buffer, size_t count, AOD_FILE *f) {
    if (!f || !buffer || !sync_ahead(f)) return 0;
    auto *p = static_cast<const unsigned char *>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(f->fd, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

int aod_fseek(AOD_FILE *f, long offset, int origin) {
    if (!f) return -3;
    int whence;
    switch (origin) {
    case AOD_SEEK_SET: whence = SEEK_SET; break;
    case AOD_SEEK_END: whence = SEEK_END; break;
    case AOD_SEEK_CUR: whence = SEEK_CUR; break;
    default: return -3;
    }
    if (!sync_ahead(f)) return -104;
    if (::lseek(f->fd, static_cast<off_t>(offset), whence) < 0) return errno == EINVAL ? -104 : -1;
    return 0;
}

int aod_fsze(const char *path, long *size) {
    if (!path || !*path) return -101;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -101;
    struct stat st;
    int rc = 0;
    if (::fstat(fd, &st) != 0) rc = -1;
    else if (S_ISDIR(st.st_mode)) rc = -101;
    else if (size) *size = static_cast<long>(st.st_size);
    ::close(fd);
    return rc;
}

int aod_fload(int mode, const char *path, char **buffer, long *length, MFileTable *memory) {
    if (!buffer) return -3;
    *buffer = nullptr;
    if (length) *length = 0;
    if (mode != 0) {
        AOD_FILE *f = aod_fopen(path, 1);
        if (!f) return -101;
        int rc = load_all([f](char *p, size_t n) { return aod_fread(p, n, f); }, buffer, length);
        aod_fclose(f);
        return rc;
    }
    if (!memory) return -101;
    MFILE *m = mopen(*memory, path, "rb");
    if (!m) return -101;
    int rc = load_all([m](char *p, size_t n) { return mread(p, 1, n, m); }, buffer, length);
    mclose(m);
    return rc;
}

int aod_fgets(char *buffer, int size, AOD_FILE *f) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    if (!f || size == 1) return 0;
    const int limit = size - 1;
    int n = 0;
    bool any = false;
    bool quoted = false;
    for (;;) {
        if (n == limit) {
            // Full: a line end right here still belongs to this line.
            int c = next_byte(f);
            if (c == '\r') {
                if (next_byte(f) != '\n') unget_byte(f);
            } else if (c != '\n' && c >= 0) {
                unget_byte(f);
            }
            break;
        }
        int c = next_byte(f);
        if (c < 0) break;
        any = true;
        if (!quoted) {
            if (c == '\n') break;
            if (c == '\r') {
                int d = next_byte(f);
                if (d >= 0 && d != '\n') unget_byte(f);
                break;
            }
        }
        if (c == '"') quoted = !quoted;
        buffer[n++] = static_cast<char>(c);
    }
    buffer[n] = '\0';
    return any ? 1 : 0;
}

int aod_modpath(char *buffer) {
    if (!buffer) return -3;
    ssize_t n = ::readlink("/proc/self/exe", buffer, 256);
    if (n < 0 || n >= 256) {
        buffer[0] = '\0';
        return -1;
    }
    buffer[n] = '\0';
    return 0;
}
