// Row and cell growth.
#include <new>

#include "model/store.h"

namespace vel {

namespace {

template <class V>
bool grow_to(V &v, size_t needed, size_t first, size_t limit) {
    if (needed <= v.size()) return true;
    size_t cap = v.capacity();
    if (needed > cap) {
        size_t want = cap == 0 ? first : cap * 2;
        if (want < needed) want = needed;
        if (want > limit) want = limit;
        if (want < needed) return false;
        try {
            v.reserve(want);
        } catch (const std::bad_alloc &) {
            return false;
        }
    }
    try {
        v.resize(needed);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

} // namespace

Row *ensure_row(Sheet &sheet, int r) {
    if (r < 0 || r >= ROW_CAPACITY_LIMIT - 1) return nullptr;
    if (!grow_to(sheet.rows, static_cast<size_t>(r) + 1, 101, ROW_CAPACITY_LIMIT)) return nullptr;
    if (sheet.used_rows < r + 1) sheet.used_rows = r + 1;
    return &sheet.rows[r];
}

Cell *ensure_cell(Sheet &sheet, int r, int c) {
    if (c < 0 || c >= CELL_CAPACITY_LIMIT - 1) return nullptr;
    Row *row = ensure_row(sheet, r);
    if (!row) return nullptr;
    if (!grow_to(row->cells, static_cast<size_t>(c) + 1, 10, CELL_CAPACITY_LIMIT)) return nullptr;
    if (row->used < c + 1) row->used = static_cast<int16_t>(c + 1);
    return &row->cells[c];
}

CellText &cell_texts(Sheet &sheet, Cell &cell) {
    // A number held in the cell itself gives its slots back first.
    if (cell.aux & CELL_AUX_DOUBLE) {
        cell.aux = 0;
        cell.num = 0;
        cell.text = 0;
    }
    if (cell.text == 0) {
        sheet.texts.emplace_back();
        cell.text = static_cast<uint32_t>(sheet.texts.size());
    }
    return sheet.texts[cell.text - 1];
}

void StringTable::push_back(std::string_view text) {
    constexpr size_t BLOCK = 1 << 20;
    if (text.size() > UINT32_MAX || refs_.size() >= UINT32_MAX) throw std::length_error("StringTable");
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < text.size()) {
        std::string block;
        block.reserve(std::max(BLOCK, text.size()));
        blocks_.push_back(std::move(block));
    }
    std::string &block = blocks_.back();
    const Ref ref{static_cast<uint32_t>(blocks_.size() - 1), static_cast<uint32_t>(block.size()),
                  static_cast<uint32_t>(text.size())};
    refs_.push_back(ref);
    block.append(text);   // within the reserved room: earlier texts stay where they are
}

} // namespace vel
