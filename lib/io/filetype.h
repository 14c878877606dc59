// File kinds recognised by vel_file_type (declared in velmora.h), and its
// table for callers that want a kind's name or extension.
#pragma once
#include <cstdint>

enum VelFileKind : int32_t {
    VEL_KIND_UNKNOWN = -1,
    VEL_KIND_CSV = 0,
    VEL_KIND_XLS = 11,
    VEL_KIND_XLSX = 12,
    VEL_KIND_XLSB = 13,
    VEL_KIND_XLSM = 14,
    VEL_KIND_XLSX_LOCKED = 19,
    VEL_KIND_DOC = 21,
    VEL_KIND_DOCX = 22,
    VEL_KIND_DOCM = 23,
    VEL_KIND_DOCX_LOCKED = 29,
    VEL_KIND_PPT = 31,
    VEL_KIND_PPTX = 32,
    VEL_KIND_PPTM = 33,
    VEL_KIND_PPTX_LOCKED = 39,
    VEL_KIND_MPP = 40,
    VEL_KIND_VSD = 101,
    VEL_KIND_PDF = 102,
    VEL_KIND_PSD = 103,
    VEL_KIND_BMP = 201,
    VEL_KIND_JPEG = 202,
    VEL_KIND_PNG = 203,
    VEL_KIND_GIF = 204,
    VEL_KIND_TIFF = 205,
    VEL_KIND_EMF = 206,
    VEL_KIND_WMF = 207,
    VEL_KIND_ZIP = 301,
    VEL_KIND_AVI = 401,
    VEL_KIND_MPEG = 402,
    VEL_KIND_WMV = 403,
    VEL_KIND_EXE = 900,
};

// vel_file_type's mode for a 16-byte header in memory; 0 reads a memory
// file, any other value a disk file.
constexpr int VEL_FILE_TYPE_HEADER_MODE = 9999;
constexpr int VEL_FILE_TYPE_HEADER_LEN = 16;

struct VelFileTypeRow {
    int32_t code;
    const char *name;       // descriptive name
    const char *ext;        // extension without the dot
    const char *magic_text; // hexadecimal bytes separated by single blanks
    int32_t count;          // magic bytes; 0 matches on the extension alone
    uint8_t magic[VEL_FILE_TYPE_HEADER_LEN];
};

int vel_file_type_rows(void);                     // 32
const VelFileTypeRow *vel_file_type_row(int row); // 0-based; null outside
