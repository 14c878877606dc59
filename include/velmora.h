/*
 * velmora.h - public C interface of the VELMORA spreadsheet library.
 *
 * The caller allocates one XLS_BOOK per workbook and passes it to every
 * VXLS_ call. Every function returns 0 on success or a negative status; on
 * failure the book's error_info holds a message beginning with "VXLS-".
 * Texts cross the interface in the book's character set (Shift-JIS by
 * default; EUC-JP or UTF-8 when the book is opened with CHARSET=...).
 *
 * This header compiles as C99 and as C++.
 */
#ifndef VELMORA_H
#define VELMORA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library is built with hidden visibility; everything declared here is exported. */
#if defined(__GNUC__)
#pragma GCC visibility push(default)
#endif

#define VXLS_VERSION_TEXT "2.0.0.0"

/* Status codes. */
#define VXLS_OK               0
#define VXLS_ERR_GENERAL     (-1)
#define VXLS_ERR_MEMORY      (-2)
#define VXLS_ERR_ARGUMENT    (-3)
#define VXLS_ERR_UNSUPPORTED (-4)
#define VXLS_ERR_XLS_REFUSED (-9)
#define VXLS_ERR_OPEN        (-101)
#define VXLS_ERR_READBACK    (-102)
#define VXLS_ERR_WRITE       (-103)
#define VXLS_ERR_NO_SHEET    (-801)
#define VXLS_ERR_NO_CELL_SHEET (-901)
#define VXLS_ERR_NO_CELL_ROW   (-902)
#define VXLS_ERR_NO_CELL       (-903)
#define VXLS_ERR_OVERFLOW    (-909)

/* Character sets of the caller (option CHARSET). */
#define VXLS_CHARSET_SJIS  1
#define VXLS_CHARSET_EUC   2
#define VXLS_CHARSET_UTF8  3
#define VXLS_CHARSET_UTF16BE 4 /* accepted as a conversion source only */

/* Flag values: every book flag is 0 (on) or 255 (off). */
#define VXLS_ON  0
#define VXLS_OFF 255

/* Workbook kinds of a book. */
#define VXLS_KIND_XLS  11
#define VXLS_KIND_XLSX 12

/* Sizes of the text members. */
#define XLS_PATH_LEN      257
#define XLS_DOCTEXT_LEN   256
#define XLS_ERROR_LEN     4096
#define XLS_PASSWORD_LEN  64

/*
 * The book handle. The caller owns the record; the library allocates the
 * private environment behind `env` at open and frees it at close/free.
 */
typedef struct XLS_BOOK {
    void *reserved;                  /* cleared at open */
    void *env;                       /* private environment; NULL when closed */
    char book_path[XLS_PATH_LEN];    /* where close writes the workbook */

    /* Book flags: 0 = on, 255 = off. */
    unsigned char new_book;          /* created from nothing (off: template mode) */
    unsigned char read_memory;       /* the book was read from a memory file */
    unsigned char write_memory;      /* the package is written into memory files */
    unsigned char macro_book;        /* macro-enabled workbook (.xlsm) */
    unsigned char load_mode;         /* MODE=LOAD or UNLOAD */
    unsigned char unload_mode;       /* MODE=UNLOAD */
    unsigned char auto_width;        /* automatic column width */
    unsigned char recalc;            /* recalculate on open */
    unsigned char backup;            /* keep a backup copy when saving */
    unsigned char final_book;        /* marked as final */
    unsigned char sheet_order_desc;  /* write sheets in descending order */
    unsigned char flag_reserved[5];

    /* Grid limits. */
    int32_t max_rows;                /* 1,048,576 (.xlsx) or 65,536 (.xls) */
    int32_t max_columns;             /* 16,384 (.xlsx) or 256 (.xls) */
    int32_t store_limit1;            /* 32,768 */
    int32_t store_limit2;            /* 65,534 */

    /* Workbook kind codes. */
    int32_t book_kind;               /* 12 .xlsx, 11 .xls */
    int32_t book_kind2;

    /* Document properties (UTF-8). */
    char company[XLS_DOCTEXT_LEN];
    char creator[XLS_DOCTEXT_LEN];
    char manager[XLS_DOCTEXT_LEN];
    char title[XLS_DOCTEXT_LEN];
    char subject[XLS_DOCTEXT_LEN];
    char write_password[XLS_PASSWORD_LEN];
    char template_path[XLS_PATH_LEN];
    char temp_workbook_path[XLS_PATH_LEN];

    /* Message of the last failure, in the caller's character set. */
    char error_info[XLS_ERROR_LEN];

    int32_t current_sheet;           /* 0-based sheet addressed by cell calls */
    int32_t last_row;                /* last cell addressed, 0-based */
    int32_t last_column;

    /* Sheets: mirrored from the model after every change of the sheet list. */
    void   *sheets;
    int32_t sheet_num;
    int32_t sheet_max;

    void   *model;                   /* further model state (private) */
} XLS_BOOK;

/* Search record of VXLS_search. */
typedef struct XLS_SEARCH {
    int32_t match;                   /* 1: ignore case; other: exact bytes */
    int32_t remaining;               /* 0 on the first call */
    char    sheet_name[94];          /* empty: every sheet */
    char    range[34];               /* empty: whole grid */
    int32_t direction;               /* 0: read right; non-zero: read down */
    int32_t count;                   /* values to read */
    int32_t found_sheet;             /* outputs, 0-based */
    int32_t found_row;
    int32_t found_column;
} XLS_SEARCH;

/* Book lifecycle. */
int   VXLS_open_book(XLS_BOOK *book, const char *options);
int   VXLS_open_memory_book(XLS_BOOK *book, const char *unused, const void *image, long length);
int   VXLS_close_book(XLS_BOOK *book, const char *options);
int   VXLS_close_memory_book(XLS_BOOK *book, const char *unused, void *buffer, long *size);
int   VXLS_free_book(XLS_BOOK *book);
int   VXLS_swap_book(int direction);
int   VXLS_version(XLS_BOOK *book, char *text);
int   VXLS_help(void);

/* Sheets and addressing. */
int   VXLS_open_sheet(XLS_BOOK *book, const char *options);
int   VXLS_open_sheet2(XLS_BOOK *book, int index);
int   VXLS_sheet_num(XLS_BOOK *book);
int   VXLS_sheet_name(XLS_BOOK *book, int index, char *name);
int   VXLS_row_num(XLS_BOOK *book);
int   VXLS_column_num(XLS_BOOK *book, int row);
int   VXLS_cell_name(int row, int column, char *name);
int   VXLS_cell_range(int row1, int column1, int row2, int column2, char *name);
int   VXLS_is_cell(XLS_BOOK *book, const char *text, int *row, int *column);
int   VXLS_is_range(XLS_BOOK *book, const char *text, int *row1, int *column1, int *row2, int *column2);

/* Values and properties. */
int   VXLS_put_values(XLS_BOOK *book, const char *text);
int   VXLS_put_cell(XLS_BOOK *book, const char *cell, const char *value, int unused);
int   VXLS_put_variable(XLS_BOOK *book, const char *name, const char *value);
int   VXLS_is_property(XLS_BOOK *book, const char *key, int *kind);
int   VXLS_put_image_memory(XLS_BOOK *book, const char *cell, int image_kind, const void *image,
                            long length, int width, int height, int place1, int place2, int place3,
                            const char *link);

/* Reading and search. */
int   VXLS_get_cell(XLS_BOOK *book, const char *cell, char *value, int value_size, char *kind, int kind_size);
int   VXLS_get_cells(XLS_BOOK *book, int direction, int sheet, int row, int column, int count, char **values);
int   VXLS_search(XLS_BOOK *book, XLS_SEARCH *search, const char *text, char **values);
int   VXLS_read_file(XLS_BOOK *book, const char *options);
int   VXLS_sheet_hyperlink(XLS_BOOK *book, const char *cell, const char *sheet, const char *target);
int   VXLS_external_hyperlink(XLS_BOOK *book, const char *cell, const char *address);

/* Messages and diagnostics. */
char *VXLS_error_mesg(XLS_BOOK *book);
int   VXLS_debug(const char *text);

/* Kept for callers of earlier releases: they do nothing and return 0. */
int   VXLS_set_property(XLS_BOOK *book, const char *key, const char *value);
int   VXLS_open_datasource(XLS_BOOK *book, const char *options);
int   VXLS_close_datasource(XLS_BOOK *book);
int   VXLS_paste_datasource(XLS_BOOK *book, const char *options);

/* Utilities. */
int   vel_file_type(int mode, const char *source, int *type);
int   vel_zip_on_memory(int flag);

#if defined(__GNUC__)
#pragma GCC visibility pop
#endif

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_H */
