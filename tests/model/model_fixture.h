// A UTF-8 book with one sheet for the model tests, with helpers that put
// cells, apply keywords directly or through VXLS_put_values, and read back.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "model/store.h"
#include "model/styles.h"
#include "property/engine.h"
#include "book_fixture.h"
#include "test_support.h"
#include "velmora.h"

namespace vtest {

class ModelBook : public OpenBook {
protected:
    vel::Model &m() { return b().model; }
    vel::Sheet &sheet() { return m().sheets[b().current_sheet]; }
    vel::Cell &cell(int r, int c) { return sheet().rows.at(r).cells.at(c); }
    const vel::Xf &xf_of(int r, int c) { return m().xfs.at(cell(r, c).style - 1); }
    const vel::Fill &fill_of(int r, int c) { return m().fills.at(xf_of(r, c).fill); }
    const vel::Font &font_of(int r, int c) { return m().fonts.at(xf_of(r, c).font); }
    std::string value_text(int r, int c) {
        vel::Cell &x = cell(r, c);
        return x.text ? sheet().texts[x.text - 1].value : std::string();
    }
    std::string sst_text(int r, int c) { return std::string(m().sst.at(cell(r, c).num)); }
    // Shown values of several cells, joined by "|".
    std::string gets(std::initializer_list<const char *> names) {
        std::string out;
        for (const char *n : names) out += (out.empty() ? "" : "|") + get(n);
        return out;
    }

    // Applies a kind to a cell (r2 < 0), a rectangle, or the sheet (r1 < 0), 0-based.
    int apply(int kind, int r1, int c1, const std::string &value, int r2 = -1, int c2 = -1) {
        vel::PropTarget t;
        if (r2 < 0) {
            t.row = r1;
            t.col = c1;
        } else {
            t.nranges = 1;
            std::copy_n(std::data({r1, c1, r2, c2}), 4, t.ranges[0]);
        }
        b().diag.begin_call();
        return vel::vlt_apply_property(&b(), kind, t, value.data(), value.size());
    }
    int put(const char *cell, const std::string &value) { return VXLS_put_cell(&book, cell, value.c_str(), 0); }
    int put(const std::string &text) {
        b().diag.begin_call();
        return VXLS_put_values(&book, text.c_str());
    }
    // The message of the last call (UTF-8, the book's character set).
    std::string error() { return b().diag.message; }
};

// Whole style entries in one line each, for comparing all their fields at once.
inline std::string hex(const uint8_t rgb[3]) {
    char b[8];
    std::snprintf(b, sizeof b, "%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    return b;
}
// "code size style color rgb face"
inline std::string describe(const vel::Font &f) {
    return std::to_string(f.code) + " " + std::to_string(f.size) + " " + std::to_string(f.style) + " " +
           std::to_string(f.color) + " " + hex(f.rgb) + " " + f.face;
}
// "pattern pattern_color color rgb / direction variation color2 rgb2"
inline std::string describe(const vel::Fill &f) {
    return std::to_string(f.pattern) + " " + std::to_string(f.pattern_color) + " " + std::to_string(f.color) + " " +
           hex(f.rgb) + " / " + std::to_string(f.grad_dir) + " " + std::to_string(f.grad_var) + " " +
           std::to_string(f.color2) + " " + hex(f.rgb2);
}
// "left right top bottom up down color rgb"
inline std::string describe(const vel::Border &b) {
    std::string s;
    for (uint8_t l : b.line) s += std::to_string(l) + " ";
    return s + std::to_string(b.color) + " " + hex(b.rgb);
}

} // namespace vtest
