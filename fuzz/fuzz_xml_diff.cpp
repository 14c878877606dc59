// Holds the XML reader's two parsers to each other: for any input, our
// scanner (the parser the reader picks for UTF-8) and expat must hand the
// handler the same events (names, namespace ids and URIs, decoded values
// and texts, depths, captures) and end with the same status, or the target
// traps. A document expat refuses as malformed must be refused by the
// scanner too, with any status: which fault of a broken document is met
// first may differ. The input is the document; a hash of it seeds the
// chunking of the scanner's second read (chunks of 1 to 128 bytes, cut
// anywhere, inside characters too), so the XML seeds serve as they are. A
// last read with tiny bounds only has to end cleanly: where markup meets a
// bound may differ between the parsers.
#include "xml/reader.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct Recorder final : vel::XmlHandler {
    vel::XmlReader *reader = nullptr;
    std::string log;
    bool capturing = false;

    void name(const vel::XmlElement &e) {
        log += static_cast<char>('A' + static_cast<int>(e.ns));
        log.append(e.uri);
        log += '|';
        log.append(e.local);
        log += '|';
        log += std::to_string(e.depth);
    }
    int start_element(const vel::XmlElement &e) override {
        log += '<';
        name(e);
        for (size_t i = 0; i < e.attr_count; ++i) {
            const vel::XmlAttr &a = e.attrs[i];
            log += ' ';
            log += static_cast<char>('A' + static_cast<int>(a.ns));
            log.append(a.local);
            log += '=';
            log += std::to_string(a.value.size());
            log += ':';
            log.append(a.value);
            std::string_view uri;
            log += static_cast<char>('A' + static_cast<int>(reader->resolve_prefix(a.value, &uri)));
            log.append(uri);
        }
        log += '>';
        // Capture every other element at depth 2, with or without its tags.
        if (e.depth == 2 && !capturing && (e.local.size() & 1)) {
            const int rc = reader->begin_capture(e.local.size() & 2);
            log += "{" + std::to_string(rc);
            if (rc == 0) capturing = true;
            else return rc;
        }
        return 0;
    }
    int end_element(const vel::XmlElement &e) override {
        if (e.attr_count != 0) std::abort();
        log += "</";
        name(e);
        log += '>';
        if (capturing && e.depth == 2) {
            capturing = false;
            std::string_view bytes;
            const int rc = reader->end_capture(e.local.size() & 4, &bytes);
            log += "}" + std::to_string(rc);
            if (rc != 0) return rc;
            log += std::to_string(bytes.size()) + ":";
            log.append(bytes);
        }
        return 0;
    }
    int text(std::string_view t, int depth) override {
        if (t.empty()) std::abort();
        log += '\'';
        log += std::to_string(depth) + "," + std::to_string(t.size()) + ":";
        log.append(t);
        return 0;
    }
};

struct Outcome {
    int status;
    std::string log;
    vel::XmlBackend backend;
};

// Reads the document in chunks: whole when seed is 0, else of 1 to 128
// bytes drawn from the seed.
Outcome read(const char *doc, size_t size, unsigned seed, vel::XmlBackend backend, const vel::XmlLimits &limits) {
    Recorder r;
    vel::XmlReader reader(r, limits, backend);
    r.reader = &reader;
    int rc = 0;
    uint32_t state = seed * 2654435761u + 1;
    for (size_t at = 0; rc == 0 && at < size;) {
        size_t n = size - at;
        if (seed) {
            state = state * 1103515245u + 12345u;
            n = std::min<size_t>(n, 1 + (state >> 16) % ((seed & 1) ? 8 : 128));
        }
        rc = reader.feed(doc + at, n);
        at += n;
    }
    if (rc == 0) rc = reader.finish();
    if (rc != reader.status() || (rc != 0 && reader.error().empty())) std::abort();
    if (reader.line() < 0 || reader.column() < 0) std::abort();
    return {rc, r.log, reader.backend()};
}

void same(const Outcome &scan, const Outcome &expat) {
    if (expat.status == vel::XMLREAD_ERR_MALFORMED && scan.status != vel::XMLREAD_OK) return;
    if (scan.status != expat.status || scan.log != expat.log) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    const unsigned seed = 1u + (hash >> 24);
    const char *doc = reinterpret_cast<const char *>(data);
    vel::XmlLimits limits;
    limits.max_depth = 12;
    limits.max_text_bytes = 300;
    const Outcome expat = read(doc, size, 0, vel::XmlBackend::EXPAT, limits);
    same(read(doc, size, 0, vel::XmlBackend::AUTO, limits), expat);
    same(read(doc, size, seed, vel::XmlBackend::AUTO, limits), expat);
    vel::XmlLimits tiny;
    tiny.max_depth = 3;
    tiny.max_markup_bytes = 24;
    tiny.max_text_bytes = 8;
    read(doc, size, seed, vel::XmlBackend::AUTO, tiny);
    return 0;
}
