// File-type detection by magic bytes and name: the kinds, the table, and
// the detector behind vel_file_type.
#pragma once
#include <cstdint>

#include "velmora_codes.h"

struct MFileTable;

enum VelFileKind : int32_t {
    VEL_KIND_UNKNOWN = VXLS_FILE_UNKNOWN,
    VEL_KIND_CSV = VXLS_FILE_CSV,
    VEL_KIND_XLS = VXLS_FILE_XLS,
    VEL_KIND_XLSX = VXLS_FILE_XLSX,
    VEL_KIND_XLSB = VXLS_FILE_XLSB,
    VEL_KIND_XLSM = VXLS_FILE_XLSM,
    VEL_KIND_XLSX_LOCKED = VXLS_FILE_XLSX_LOCKED,
    VEL_KIND_DOC = VXLS_FILE_DOC,
    VEL_KIND_DOCX = VXLS_FILE_DOCX,
    VEL_KIND_DOCM = VXLS_FILE_DOCM,
    VEL_KIND_DOCX_LOCKED = VXLS_FILE_DOCX_LOCKED,
    VEL_KIND_PPT = VXLS_FILE_PPT,
    VEL_KIND_PPTX = VXLS_FILE_PPTX,
    VEL_KIND_PPTM = VXLS_FILE_PPTM,
    VEL_KIND_PPTX_LOCKED = VXLS_FILE_PPTX_LOCKED,
    VEL_KIND_MPP = VXLS_FILE_MPP,
    VEL_KIND_VSD = VXLS_FILE_VSD,
    VEL_KIND_PDF = VXLS_FILE_PDF,
    VEL_KIND_PSD = VXLS_FILE_PSD,
    VEL_KIND_BMP = VXLS_FILE_BMP,
    VEL_KIND_JPEG = VXLS_FILE_JPEG,
    VEL_KIND_PNG = VXLS_FILE_PNG,
    VEL_KIND_GIF = VXLS_FILE_GIF,
    VEL_KIND_TIFF = VXLS_FILE_TIFF,
    VEL_KIND_EMF = VXLS_FILE_EMF,
    VEL_KIND_WMF = VXLS_FILE_WMF,
    VEL_KIND_ZIP = VXLS_FILE_ZIP,
    VEL_KIND_AVI = VXLS_FILE_AVI,
    VEL_KIND_MPEG = VXLS_FILE_MPEG,
    VEL_KIND_WMV = VXLS_FILE_WMV,
    VEL_KIND_EXE = VXLS_FILE_EXE,
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

// Detects the kind of a file: mode VEL_FILE_TYPE_HEADER_MODE reads a 16-byte
// header from `source` itself, mode 0 the memory file of that name in
// `memory`, any other mode the disk file of that name. *type is the kind or
// -1 (unknown). 0, or a negative code when the file cannot be read.
int file_type(int mode, const char *source, int *type, MFileTable *memory);
// The same for an open memory file whose name is `name` (read from its start).
struct MFILE;
int file_type_of(MFILE *file, const char *name, int *type);

int vel_file_type_rows(void);                     // 32
const VelFileTypeRow *vel_file_type_row(int row); // 0-based; null outside
