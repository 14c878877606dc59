// Result codes of every layer: 0 for success, a negative code for failure.
// Most codes are the numbers the C interface returns; the few that only
// layers use (a table limit, a zip failure, an .xls refusal) are mapped onto
// the interface's numbers by to_api() and nowhere else.
#pragma once

#include "velmora_codes.h"

namespace vel::rc {

enum Code : int {
    OK = VXLS_OK,
    GENERAL = VXLS_ERR_GENERAL,           // failure without a more precise code
    NO_MEMORY = VXLS_ERR_MEMORY,
    BAD_ARGUMENT = VXLS_ERR_ARGUMENT,     // bad argument or text; book not open
    UNSUPPORTED = VXLS_ERR_UNSUPPORTED,   // unsupported or encrypted file
    OPEN_FAILED = VXLS_ERR_OPEN,          // a file cannot be opened
    READ_FAILED = VXLS_ERR_READBACK,      // a file or memory file cannot be read
    WRITE_FAILED = VXLS_ERR_WRITE,        // a file or memory file cannot be written
    NO_SHEET = VXLS_ERR_NO_SHEET,
    NO_CELL_SHEET = VXLS_ERR_NO_CELL_SHEET,
    NO_CELL_ROW = VXLS_ERR_NO_CELL_ROW,
    NO_CELL = VXLS_ERR_NO_CELL,
    OVERFLOW = VXLS_ERR_OVERFLOW,         // a caller's buffer or a fixed limit

    // Codes of the layers only.
    LIMIT = -9,                           // a table or buffer limit was reached
    ZIP_FAILED = -5,                      // a zip entry or archive could not be completed
    XLS_REFUSED = -1009,                  // the .xls reader refuses the workbook
};

// The interface's number for a layer's result.
constexpr int to_api(int code) {
    switch (code) {
    case LIMIT: return VXLS_ERR_OVERFLOW;
    case ZIP_FAILED: return VXLS_ERR_WRITE;
    case XLS_REFUSED: return VXLS_ERR_XLS_REFUSED;
    case OK: case GENERAL: case NO_MEMORY: case BAD_ARGUMENT: case UNSUPPORTED: case OPEN_FAILED:
    case READ_FAILED: case WRITE_FAILED: case NO_SHEET: case NO_CELL_SHEET: case NO_CELL_ROW:
    case NO_CELL: case OVERFLOW:
        return code;
    default:
        return code < 0 ? VXLS_ERR_GENERAL : code;
    }
}

} // namespace vel::rc
