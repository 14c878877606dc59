// Shown texts of runs of cells, read through VXLS_get_cells in chunks so
// that any number of cells is read with buffers of a fixed size.
#pragma once
#include <cstddef>
#include <vector>

#include "velmora.h"

namespace velcmd {

class CellReader {
public:
    CellReader();
    // Reads `count` cells of the 0-based sheet from (row, column), to the
    // right (direction 0) or down, and calls each(text) for every one in
    // order. Returns the first failing result of VXLS_get_cells, else 0.
    template <class F>
    int read(XLS_BOOK *book, int direction, int sheet, int row, int column, long count, F &&each)
    {
        while (count > 0) {
            const int n = count < CHUNK ? int(count) : CHUNK;
            if (int rc = VXLS_get_cells(book, direction, sheet, row, column, n, slots_.data()); rc != 0)
                return rc;
            for (int i = 0; i < n; ++i)
                each(static_cast<const char *>(slots_[i]));
            (direction == 0 ? column : row) += n;
            count -= n;
        }
        return 0;
    }

private:
    static constexpr int CHUNK = 32;
    // Room for the longest cell text, 32,767 characters of up to 4 bytes.
    static constexpr std::size_t CELL_BYTES = 32767 * 4 + 1;
    std::vector<char> storage_;
    std::vector<char *> slots_;
};

} // namespace velcmd
