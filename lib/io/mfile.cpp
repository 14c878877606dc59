// Named memory files: per-book tables of records that live from their
// first mopen until mdelete, mfree_all or a move by mcopy, and the one
// process-wide set-aside table.
#include "io/mfile.h"

#include "io/aodfile.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr int32_t kFirstStep = 1024;
constexpr int32_t kGrowFactor = 2;
constexpr int64_t kLinearFrom = 104857600; // 100 MiB: beyond it grow linearly
constexpr int64_t kLinearStep = 10485760;  // by 10 MiB
constexpr int64_t kMaxCapacity = INT32_MAX;

enum State : int32_t { kOpen = 0, kClosed = 1, kDeleted = 9, kWriteFailed = -9 };

// One record and the contents it owns. The MFILE handed to callers is the
// member, so its address stays fixed for the record's whole life, also while
// it sits in the aside table.
struct Slot {
    MFILE rec{};
    Slot() = default;
    Slot(const Slot &) = delete;
    Slot &operator=(const Slot &) = delete;
    ~Slot() { std::free(rec.data); }
};

struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

using NameIndex = std::unordered_map<std::string, MFILE *, NameHash, std::equal_to<>>;

} // namespace

struct MFileTable::Impl {
    std::vector<std::unique_ptr<Slot>> live;
    // Every live record that is not deleted, by name (such names are unique).
    NameIndex by_name;
    char error[256] = {};
    MFileTable *self = nullptr;
};

MFileTable::MFileTable() : impl(std::make_unique<Impl>()) { impl->self = this; }
MFileTable::~MFileTable() = default;

namespace {

using Tables = MFileTable::Impl;

// The set-aside table of mcopy, shared by every book of the process.
struct Aside {
    std::mutex lock;
    std::vector<std::unique_ptr<Slot>> records;
};

Aside &aside() {
    static Aside a;
    return a;
}

void set_error(Tables &t, const char *text) {
    std::snprintf(t.error, sizeof t.error, "%s", text);
}

MFILE *find_live(Tables &t, std::string_view name) {
    auto it = t.by_name.find(name);
    return it == t.by_name.end() ? nullptr : it->second;
}

void reset_counters(MFILE &r, int32_t capacity) {
    r.grow_step = kFirstStep;
    r.capacity = capacity;
    r.grow_factor = kGrowFactor;
    r.size = 0;
    r.pos = 0;
    r.state = kOpen;
}

// Appends a fresh record named `name`; null when the table is full or memory
// ran out (error text set).
Slot *append_record(Tables &t, std::string_view name) {
    if (t.live.size() >= static_cast<size_t>(MFILE_MAX_OPEN_FILES)) {
        set_error(t, "mopen() Mfile_ct >= MFILE_MAX_OPEN_FILES");
        return nullptr;
    }
    try {
        auto slot = std::make_unique<Slot>();
        std::memcpy(slot->rec.name, name.data(), name.size());
        slot->rec.name[name.size()] = '\0';
        if (t.live.size() == t.live.capacity()) t.live.reserve(std::max<size_t>(64, t.live.size() * 2));
        t.by_name.emplace(std::string(name), &slot->rec);
        slot->rec.index = static_cast<int32_t>(t.live.size());
        slot->rec.owner = t.self;
        t.live.push_back(std::move(slot)); // cannot throw: room reserved above
        return t.live.back().get();
    } catch (const std::bad_alloc &) {
        set_error(t, "mopen() malloc()");
        return nullptr;
    }
}

void drop_last_record(Tables &t) {
    Slot *s = t.live.back().get();
    if (auto it = t.by_name.find(std::string_view(s->rec.name)); it != t.by_name.end()) t.by_name.erase(it);
    t.live.pop_back();
}

MFILE *open_for_write(Tables &t, std::string_view name) {
    MFILE *f = find_live(t, name);
    bool fresh = false;
    if (!f) {
        Slot *s = append_record(t, name);
        if (!s) return nullptr;
        f = &s->rec;
        fresh = true;
    }
    std::free(f->data);
    f->data = static_cast<unsigned char *>(std::malloc(kFirstStep));
    if (!f->data) {
        set_error(t, "mopen() malloc()");
        if (fresh) {
            drop_last_record(t);
        } else {
            // Keep the reused record, empty and marked as failed.
            reset_counters(*f, 0);
            f->state = kWriteFailed;
        }
        return nullptr;
    }
    reset_counters(*f, kFirstStep);
    return f;
}

MFILE *open_from_disk(Tables &t, std::string_view name) {
    long disk_size = 0;
    int rc = aod_fsze(name.data(), &disk_size);
    if (rc != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "mopen() aod_fsze() rc=%d", rc);
        set_error(t, text);
        return nullptr;
    }
    // The record keeps 32-bit sizes.
    if (disk_size < 0 || disk_size > kMaxCapacity - 2) {
        set_error(t, "mopen() malloc()");
        return nullptr;
    }
    Slot *s = append_record(t, name);
    if (!s) return nullptr;
    MFILE &r = s->rec;
    r.data = static_cast<unsigned char *>(std::malloc(std::max<long>(disk_size, 1)));
    if (!r.data) {
        set_error(t, "mopen() malloc()");
        drop_last_record(t);
        return nullptr;
    }
    AOD_FILE *fp = aod_fopen(r.name, 1);
    if (!fp) {
        set_error(t, "mopen() fopen()");
        drop_last_record(t);
        return nullptr;
    }
    size_t got = aod_fread(r.data, static_cast<size_t>(disk_size), fp);
    aod_fclose(fp);
    if (got != static_cast<size_t>(disk_size)) {
        set_error(t, "mopen() fread()");
        drop_last_record(t);
        return nullptr;
    }
    reset_counters(r, static_cast<int32_t>(disk_size));
    r.size = static_cast<int32_t>(disk_size);
    return &r;
}

void release_contents(MFILE &r) {
    std::free(r.data);
    r.data = nullptr;
    r.capacity = 0;
    r.size = 0;
    r.pos = 0;
}

// Rebuilds a table's name index from its records; false when out of memory.
bool reindex(Tables &t) {
    NameIndex names;
    try {
        names.reserve(t.live.size());
        for (auto &s : t.live)
            if (s->rec.state != kDeleted) names.emplace(s->rec.name, &s->rec);
    } catch (const std::bad_alloc &) {
        return false;
    }
    t.by_name = std::move(names);
    return true;
}

} // namespace

MFILE *mopen(MFileTable &table, const char *name, const char *mode) {
    Tables &t = *table.impl;
    t.error[0] = '\0';
    if (!name || !mode) return nullptr;
    std::string_view m(mode);
    if (m != "rb" && m != "wb" && m != "ab") return nullptr;
    size_t len = std::strlen(name);
    if (len < 1 || len > static_cast<size_t>(MFILE_NAME_LEN)) return nullptr;
    std::string_view n(name, len);
    if (m == "wb") return open_for_write(t, n);
    if (MFILE *f = find_live(t, n)) {
        f->pos = 0;
        f->state = kOpen;
        return f;
    }
    return open_from_disk(t, n);
}

size_t mread(void *buffer, size_t size, size_t count, MFILE *f) {
    if (!f || !buffer || f->pos < 0 || f->pos >= f->size || !f->data) return 0;
    size_t left = static_cast<size_t>(f->size - f->pos);
    size_t want = (count != 0 && size > SIZE_MAX / count) ? SIZE_MAX : size * count;
    size_t n = std::min(want, left);
    std::memcpy(buffer, f->data + f->pos, n);
    f->pos += static_cast<int32_t>(n);
    return n;
}

size_t mwrite(const void *buffer, size_t size, size_t count, MFILE *f) {
    if (!f || size == 0 || count == 0) return 0;
    if (f->state == kDeleted || f->state == kWriteFailed) return 0;
    if (!buffer || f->pos < 0 || f->pos > f->capacity) return 0;

    const int64_t pos = f->pos;
    // Everything must fit below capacity - 1 of a 32-bit capacity.
    if (size > static_cast<size_t>(kMaxCapacity) ||
        count > static_cast<size_t>((kMaxCapacity - 2 - pos) / static_cast<int64_t>(size))) {
        f->state = kWriteFailed;
        if (f->owner) set_error(*f->owner->impl, "mwrite() malloc()");
        return 0;
    }
    const int64_t item = static_cast<int64_t>(size);
    const int64_t total = item * static_cast<int64_t>(count);

    // Replays the growth that adding the items one by one performs (one
    // growth for an item that reaches capacity - 1); only the arithmetic runs
    // per growth, the buffer is resized once. Each growth adds at least
    // capacity + item - pos bytes, and the bytes accepted before it lie
    // within capacity, so the new capacity always holds the item.
    int64_t cap = f->capacity;
    int64_t step = f->grow_step > 0 ? f->grow_step : kFirstStep;
    int64_t factor = f->grow_factor > 0 ? f->grow_factor : kGrowFactor;
    int64_t done = 0; // bytes accepted so far
    while (done < total) {
        if (pos + done + item < cap - 1) {
            // Items that fit before the next growth: pos + done + k * item <= cap - 2.
            int64_t fit = (cap - 2 - pos - done) / item;
            done += std::min(fit * item, total - done);
            continue;
        }
        step = cap < kLinearFrom ? step * factor : kLinearStep;
        int64_t need = cap + item - pos;
        int64_t inc = need <= step ? step : ((need + step - 1) / step) * step;
        step = inc;
        cap = std::min(cap + inc, kMaxCapacity); // the byte check above keeps the data inside
        done += item;
    }
    if (cap < pos + total) cap = pos + total; // unreachable by the argument above; kept as a guard
    if (cap != f->capacity) {
        void *grown = std::realloc(f->data, static_cast<size_t>(cap));
        if (!grown) {
            f->state = kWriteFailed;
            if (f->owner) set_error(*f->owner->impl, "mwrite() malloc()");
            return 0;
        }
        f->data = static_cast<unsigned char *>(grown);
        f->capacity = static_cast<int32_t>(cap);
        f->grow_step = static_cast<int32_t>(std::min<int64_t>(step, kMaxCapacity));
    }
    // A seek past the end leaves a gap: it reads as zeros, not stale memory.
    if (pos > f->size) std::memset(f->data + f->size, 0, static_cast<size_t>(pos - f->size));
    std::memcpy(f->data + pos, buffer, static_cast<size_t>(total));
    f->pos = static_cast<int32_t>(pos + total);
    if (f->pos > f->size) f->size = f->pos;
    return count;
}

int mseek(MFILE *f, long offset, int origin) {
    if (!f) return -1;
    int64_t base;
    switch (origin) {
    case 0: base = 0; break;
    case 1: base = f->pos; break;
    case 2: base = f->size; break;
    default: return -1;
    }
    if (offset > INT32_MAX || offset < -static_cast<long>(INT32_MAX)) return -1;
    int64_t target = base + offset;
    if (target < 0 || target > f->capacity) return -1;
    f->pos = static_cast<int32_t>(target);
    return 0;
}

long mtell(MFILE *f) {
    if (!f || f->pos < 0 || f->pos > f->capacity) return -1;
    return f->pos;
}

int mclose(MFILE *f) {
    if (!f) return -1;
    if (f->state != kDeleted) f->state = kClosed;
    f->pos = 0;
    return 0;
}

int meof(MFILE *f) {
    if (!f) return -1;
    return f->pos < f->size ? 0 : -1;
}

int mclear(MFileTable &table, const char *name) {
    Tables &t = *table.impl;
    if (!name) return 0;
    if (MFILE *f = find_live(t, name)) release_contents(*f);
    return 0;
}

int mdelete(MFileTable &table, const char *name) {
    Tables &t = *table.impl;
    if (!name) return 0;
    auto it = t.by_name.find(std::string_view(name));
    if (it == t.by_name.end()) return 0;
    MFILE *f = it->second;
    t.by_name.erase(it);
    release_contents(*f);
    f->name[0] = '\0';
    f->state = kDeleted;
    return 0;
}

long msize(MFileTable &table, const char *name) {
    Tables &t = *table.impl;
    if (!name) return 0;
    MFILE *f = find_live(t, name);
    return f ? f->size : 0;
}

int mlist(MFileTable &table, char (*names)[260], int *count) {
    Tables &t = *table.impl;
    int n = 0;
    for (const auto &s : t.live) {
        if (s->rec.state == kDeleted) continue;
        if (names) std::memcpy(names[n], s->rec.name, sizeof names[n]);
        ++n;
    }
    if (count) *count = n;
    return 0;
}

int mcount(MFileTable &table) {
    Tables &t = *table.impl;
    return static_cast<int>(t.live.size());
}

int mfree_all(MFileTable &table) {
    Tables &t = *table.impl;
    t.by_name.clear();
    t.live.clear();
    return 0;
}

const char *merror(MFileTable &table) { return table.impl->error; }

int mcopy(MFileTable &table, int direction) {
    Tables &t = *table.impl;
    Aside &a = aside();
    std::lock_guard<std::mutex> guard(a.lock);
    std::vector<std::unique_ptr<Slot>> &from = direction == 0 ? t.live : a.records;
    std::vector<std::unique_ptr<Slot>> &to = direction == 0 ? a.records : t.live;
    std::vector<std::unique_ptr<Slot>> moved;
    try {
        moved.reserve(from.size());
    } catch (const std::bad_alloc &) {
        set_error(t, "mcopy() malloc()");
        return -1;
    }
    for (auto &s : from) {
        s->rec.index = static_cast<int32_t>(moved.size());
        s->rec.owner = direction == 0 ? nullptr : &table;
        moved.push_back(std::move(s));
    }
    from.clear();
    to = std::move(moved);
    if (direction == 0) {
        t.by_name.clear();
    } else if (!reindex(t)) {
        set_error(t, "mcopy() malloc()");
        return -1;
    }
    return 0;
}

int mtake_aside(MFileTable &table, const char *name) {
    if (!name) return -1;
    Tables &t = *table.impl;
    Aside &a = aside();
    std::lock_guard<std::mutex> guard(a.lock);
    for (auto it = a.records.begin(); it != a.records.end(); ++it) {
        MFILE &r = (*it)->rec;
        if (r.state == kDeleted || std::strcmp(r.name, name) != 0) continue;
        std::unique_ptr<Slot> slot = std::move(*it);
        a.records.erase(it);
        for (size_t i = 0; i < a.records.size(); ++i) a.records[i]->rec.index = static_cast<int32_t>(i);
        if (MFILE *old = find_live(t, name)) {
            if (auto it = t.by_name.find(std::string_view(old->name)); it != t.by_name.end()) t.by_name.erase(it);
            std::free(old->data);
            old->data = nullptr;
            old->name[0] = '\0';
            old->state = kDeleted;
        }
        try {
            if (t.live.size() == t.live.capacity()) t.live.reserve(std::max<size_t>(64, t.live.size() * 2));
            t.by_name.emplace(std::string(slot->rec.name), &slot->rec);
        } catch (const std::bad_alloc &) {
            set_error(t, "mcopy() malloc()");
            return -1; // the record is released with `slot`
        }
        slot->rec.index = static_cast<int32_t>(t.live.size());
        slot->rec.owner = &table;
        slot->rec.pos = 0;
        t.live.push_back(std::move(slot));
        return 0;
    }
    return -1;
}

MFILE *mfind(MFileTable &table, const char *name) {
    return name ? find_live(*table.impl, name) : nullptr;
}

int mwith_aside(const char *name, int (*fn)(MFILE *f, void *context), void *context) {
    if (!name || !fn) return -1;
    Aside &a = aside();
    std::lock_guard<std::mutex> guard(a.lock);
    for (auto &slot : a.records)
        if (slot->rec.state != kDeleted && std::strcmp(slot->rec.name, name) == 0) return fn(&slot->rec, context);
    return -1;
}
