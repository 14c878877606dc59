// Fuzzes the streaming XML reader. The first input byte picks a chunk size
// and the rest is the document. It is read whole and in chunks of that
// size: both must give the same events, captures and result, and every
// event must be consistent (matching depths, no empty text, bounds kept).
// A third read with tiny bounds only has to end cleanly.
#include "xml/reader.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct Checker final : vel::XmlHandler {
    vel::XmlReader *reader = nullptr;
    vel::XmlLimits limits;
    std::string log;
    int depth = 0;
    bool capturing = false;

    int start_element(const vel::XmlElement &e) override {
        if (e.depth != depth + 1 || e.depth > limits.max_depth || e.local.empty()) std::abort();
        depth = e.depth;
        log += '<';
        log += static_cast<char>('A' + static_cast<int>(e.ns));
        log.append(e.local);
        for (size_t i = 0; i < e.attr_count; ++i) {
            const vel::XmlAttr &a = e.attrs[i];
            if (a.local.empty() || e.find(a.local, a.ns) == nullptr) std::abort();
            log += ' ';
            log.append(a.local);
            log += '=';
            log.append(a.value);
            std::string_view uri;
            if (reader->resolve_prefix(a.value, &uri) == vel::XmlNs::NONE && !uri.empty()) std::abort();
        }
        log += '>';
        // Capture every other element at depth 2, with or without its tags.
        if (e.depth == 2 && !capturing && (e.local.size() & 1)) {
            int rc = reader->begin_capture(e.local.size() & 2);
            if (rc == 0) capturing = true;
            else if (rc != vel::XMLREAD_ERR_REFUSED) std::abort();
        }
        return 0;
    }
    int end_element(const vel::XmlElement &e) override {
        if (e.depth != depth || e.attr_count != 0) std::abort();
        --depth;
        log += "</";
        log.append(e.local);
        log += '>';
        if (capturing && e.depth == 2) {
            std::string_view bytes;
            capturing = false;
            int rc = reader->end_capture(e.local.size() & 4, &bytes);
            if (rc != 0) {
                if (rc != vel::XMLREAD_ERR_LIMIT) std::abort();
                return rc;
            }
            log += "[" + std::string(bytes) + "]";
        }
        return 0;
    }
    int text(std::string_view t, int d) override {
        if (t.empty() || t.size() > limits.max_text_bytes || d != depth) std::abort();
        log += '\'';
        log.append(t);
        return 0;
    }
};

struct Outcome {
    int status;
    std::string log;
};

Outcome read(const uint8_t *data, size_t size, size_t step, const vel::XmlLimits &limits) {
    Checker c;
    c.limits = limits;
    vel::XmlReader reader(c, limits);
    c.reader = &reader;
    const char *p = reinterpret_cast<const char *>(data);
    int rc = 0;
    for (size_t at = 0; rc == 0 && at < size; at += step) rc = reader.feed(p + at, std::min(step, size - at));
    if (rc == 0) rc = reader.finish();
    if (rc != 0 && (reader.error().empty() || reader.status() != rc)) std::abort();
    if (rc != 0 && rc != vel::XMLREAD_ERR_MALFORMED && rc != vel::XMLREAD_ERR_REFUSED && rc != vel::XMLREAD_ERR_LIMIT &&
        rc != vel::XMLREAD_ERR_MEMORY)
        std::abort();
    if (rc == 0 && c.depth != 0) std::abort();
    return {rc, c.log};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    size_t step = 1 + data[0] % 64;
    ++data;
    --size;
    vel::XmlLimits limits;
    limits.max_depth = 12;
    limits.max_text_bytes = 300;
    Outcome whole = read(data, size, size ? size : 1, limits);
    Outcome chunked = read(data, size, step, limits);
    // Bounds are checked between slices, so where a document meets one may
    // depend on the chunking; any other result may not.
    if (whole.status != chunked.status && whole.status != vel::XMLREAD_ERR_LIMIT &&
        chunked.status != vel::XMLREAD_ERR_LIMIT)
        std::abort();
    if (whole.status == 0 && whole.log != chunked.log) std::abort();
    vel::XmlLimits tiny;
    tiny.max_depth = 3;
    tiny.max_markup_bytes = 24;
    tiny.max_text_bytes = 8;
    read(data, size, 1, tiny);
    return 0;
}
