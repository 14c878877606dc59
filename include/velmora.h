/*
 * velmora.h - public C interface of the VELMORA spreadsheet library.
 *
 * The caller allocates one XLS_BOOK per workbook (zero it, or at least never
 * pass it to a call before VXLS_open_book) and passes it to every VXLS_ call.
 * Texts cross the interface as NUL-terminated strings in the book's
 * character set (Shift-JIS by default; EUC-JP or UTF-8 when the book is
 * opened with CHARSET=...). Rows and columns are 1-based where the caller
 * names cells ("A1") and 0-based where they are numbers, as each function
 * says.
 *
 * Results: every function returns VXLS_OK (0) or a negative VXLS_ERR_ code
 * (velmora_codes.h); the count functions return a count of 0 or more. After
 * a negative result the book's error_info (also VXLS_error_mesg) holds a
 * message beginning "VXLS-" and a five-digit code. error_info is emptied by
 * a successful VXLS_open_book and otherwise changed only by a call that
 * records a message; read it after a negative result.
 *
 * Closed books: every call that works on a book, given a handle that is not
 * open (closed, freed, or never opened), returns VXLS_ERR_ARGUMENT and
 * writes a message naming the call; VXLS_free_book returns VXLS_OK.
 *
 * Threads: every call is safe on different books in different threads at
 * the same time; one book must be used by one thread at a time. Each book
 * owns its memory files. VXLS_swap_book and vel_zip_on_memory act for the
 * calling thread (the book it used last, and its own saves).
 *
 * Texts in the caller's character set are checked where they enter: a text
 * that is not valid in that set (a stray byte, an overlong or surrogate
 * UTF-8 form, a Shift-JIS or EUC-JP sequence that does not convert) is
 * refused with VXLS_ERR_ARGUMENT and a message naming the item.
 *
 * Pictures, charts, shapes, comments, tables, sparklines, sheet
 * backgrounds and the thumbnail named in property text are written into the
 * package; a picture's size is read from its header when it is placed.
 *
 * This header compiles as C99 and as C++.
 */
#ifndef VELMORA_H
#define VELMORA_H

#include <stdint.h>

#include "velmora_codes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The library is built with hidden visibility; everything declared here is exported. */
#if defined(__GNUC__)
#pragma GCC visibility push(default)
#endif

/* Sizes of the text members. */
#define XLS_PATH_LEN      257
#define XLS_DOCTEXT_LEN   256
#define XLS_ERROR_LEN     4096
#define XLS_PASSWORD_LEN  64
#define XLS_SHEET_NAME_LEN 94   /* a sheet name buffer: 93 bytes and the terminator */

/*
 * The book handle. The caller owns the record; the library allocates the
 * private environment behind `env` at open and frees it at close or free.
 * The members below `env` mirror the book: the library fills them after
 * every call, and reads the flags, limits and texts back at the start of
 * the next one, so a caller may change them between calls (the macro flag
 * after open, for instance). Texts are UTF-8.
 */
typedef struct XLS_BOOK {
    void *reserved;                  /* cleared at open */
    void *env;                       /* private environment; NULL when closed */
    char book_path[XLS_PATH_LEN];    /* where a saving close writes the workbook */

    /* Book flags: VXLS_ON (0) or VXLS_OFF (255). */
    unsigned char new_book;          /* created from nothing (off: template mode) */
    unsigned char read_memory;       /* the book was read from a memory file */
    unsigned char write_memory;      /* the package is written into a memory file */
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

    /* Workbook kind codes: VXLS_KIND_XLSX or VXLS_KIND_XLS. */
    int32_t book_kind;
    int32_t book_kind2;

    /* Document properties. */
    char company[XLS_DOCTEXT_LEN];   /* "MyCompany" at open */
    char creator[XLS_DOCTEXT_LEN];   /* "MyName" at open */
    char manager[XLS_DOCTEXT_LEN];
    char title[XLS_DOCTEXT_LEN];
    char subject[XLS_DOCTEXT_LEN];
    char write_password[XLS_PASSWORD_LEN];
    char template_path[XLS_PATH_LEN];
    char temp_workbook_path[XLS_PATH_LEN];

    /* Message of the last failure, in the book's character set. */
    char error_info[XLS_ERROR_LEN];

    int32_t current_sheet;           /* 0-based sheet addressed by cell calls */
    int32_t last_row;                /* last cell addressed, 0-based */
    int32_t last_column;

    /* Sheets: the library's sheet records (private layout) and their count. */
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

/* ---- Book lifecycle ------------------------------------------------------ */

/*
 * Opens a book. `options` (may be NULL) is property text: BOOK=name (default
 * Book1.xlsx), MODE=CREATE|READ|UPDATE|LOAD|UNLOAD (or the Japanese words),
 * TEMPLATE=name, CHARSET=SJIS|EUC|UTF8 (takes effect at once), VERSION=,
 * XLS_BOOK=size, READ_MEMORY=TRUE, WRITE_MEMORY=TRUE, TEMP_WORKBOOK_PATH=.
 * Results: 0; VXLS_ERR_ARGUMENT for bad options or a handle that is already
 * open (that book is left as it is); VXLS_ERR_GENERAL for a version or size
 * mismatch; VXLS_ERR_OPEN when the workbook cannot be opened;
 * VXLS_ERR_UNSUPPORTED for a file kind that cannot be read (encrypted,
 * binary, or a reading mode this release does not have); VXLS_ERR_MEMORY.
 * A failed open leaves the handle closed.
 */
int   VXLS_open_book(XLS_BOOK *book, const char *options);
/* Opens a book on an .xlsx/.xlsm image of `length` bytes (as
 * VXLS_close_memory_book produces); the second argument is not read. */
int   VXLS_open_memory_book(XLS_BOOK *book, const char *unused, const void *image, long length);
/*
 * Closes a book. With "SAVE" (or "保存") in `options` (the last of SAVE and
 * DESTROY / 破棄 wins) the workbook is written to book_path first. A failed
 * save returns VXLS_ERR_WRITE, VXLS_ERR_UNSUPPORTED, VXLS_ERR_OVERFLOW or
 * VXLS_ERR_MEMORY and leaves the book open for a retry (or VXLS_free_book).
 */
int   VXLS_close_book(XLS_BOOK *book, const char *options);
/* Saves the book into `buffer` of *size bytes and closes it; *size receives
 * the package's length. VXLS_ERR_OVERFLOW (the message says the size
 * needed) when the buffer is too small: the book stays open for a retry. */
int   VXLS_close_memory_book(XLS_BOOK *book, const char *unused, void *buffer, long *size);
/* Frees the book without writing; always VXLS_OK. */
int   VXLS_free_book(XLS_BOOK *book);
/* 0 sets the memory files of the book the calling thread used last aside,
 * any other value moves the set-aside files back into it; always VXLS_OK. */
int   VXLS_swap_book(int direction);
/* Writes VXLS_VERSION_TEXT (8 bytes with the terminator) into `text`; always VXLS_OK. */
int   VXLS_version(XLS_BOOK *book, char *text);
/* Prints the reference card of the property keys to standard output, in
 * the character set of the last book opened; always VXLS_OK. */
int   VXLS_help(void);

/* ---- Sheets and addressing ----------------------------------------------- */

/* Creates, selects or copies a sheet: SHEET_NAME=name (or シート),
 * MODE=CREATE|READ|UPDATE|TEMPLATE, TEMPLATE=source sheet. The new or
 * selected sheet becomes current. VXLS_ERR_ARGUMENT for a bad or duplicate
 * name, VXLS_ERR_NO_SHEET for a sheet that does not exist. */
int   VXLS_open_sheet(XLS_BOOK *book, const char *options);
/* Makes the sheet at a 0-based index current; VXLS_ERR_NO_SHEET outside. */
int   VXLS_open_sheet2(XLS_BOOK *book, int index);
/* Number of sheets. */
int   VXLS_sheet_num(XLS_BOOK *book);
/* Name of the sheet at a 0-based index into `name` (XLS_SHEET_NAME_LEN bytes). */
int   VXLS_sheet_name(XLS_BOOK *book, int index, char *name);
/* Number of rows in use of the current sheet. */
int   VXLS_row_num(XLS_BOOK *book);
/* Number of cells in use of a 0-based row of the current sheet (0 outside). */
int   VXLS_column_num(XLS_BOOK *book, int row);
/* "A1"-style name of a 1-based cell into `name` (16 bytes); VXLS_ERR_ARGUMENT outside the grid. */
int   VXLS_cell_name(int row, int column, char *name);
/* "A1:B2" name of a 1-based range into `name` (32 bytes). */
int   VXLS_cell_range(int row1, int column1, int row2, int column2, char *name);
/* Reads a cell name (the book, which may be NULL, supplies variables);
 * 1-based row and column; VXLS_ERR_NO_SHEET when the text is not one. */
int   VXLS_is_cell(XLS_BOOK *book, const char *text, int *row, int *column);
/* Reads a "cell:cell" range; VXLS_ERR_NO_SHEET when the text is not one. */
int   VXLS_is_range(XLS_BOOK *book, const char *text, int *row1, int *column1, int *row2, int *column2);

/* ---- Values and properties ----------------------------------------------- */

/* Applies property text: "A1=value" items store cells, keyword items
 * ("A1.FILL.COLOR=ff0000", "B.WIDTH=12", "SHEET=name", ...) set properties,
 * "NAME=value" defines a variable. Stops at the first failing item:
 * VXLS_ERR_ARGUMENT (bad text, keyword or value), VXLS_ERR_OVERFLOW (a
 * limit), VXLS_ERR_MEMORY, or the code of the failing item. */
int   VXLS_put_values(XLS_BOOK *book, const char *text);
/* Stores one value into a named cell ("A1" or "Sheet!A1"); the fourth argument is not read. */
int   VXLS_put_cell(XLS_BOOK *book, const char *cell, const char *value, int unused);
/* Defines or replaces a variable for "$NAME" expansion; VXLS_ERR_GENERAL on failure. */
int   VXLS_put_variable(XLS_BOOK *book, const char *name, const char *value);
/* The property kind (VXLS_PROP_...) of a key; VXLS_ERR_ARGUMENT and -1
 * when the key names no property. */
int   VXLS_is_property(XLS_BOOK *book, const char *key, int *kind);
/* Places a picture held in memory (`image_kind` one of VXLS_FILE_BMP ..
 * VXLS_FILE_WMF, `length` bytes, copied) at a cell of the current sheet.
 * `width` and `height` are its size in pixels (0: the size its header
 * gives); place1 and place2 move it right and down from the cell's corner
 * (pixels, -100000..100000), place3 scales it in percent (0: 100). A
 * non-empty `link` is followed when the picture is clicked.
 * VXLS_ERR_ARGUMENT for a bad cell, an empty picture or placement values out
 * of range, VXLS_ERR_GENERAL for a kind that is not a picture or bytes whose
 * header is not one of that kind. */
int   VXLS_put_image_memory(XLS_BOOK *book, const char *cell, int image_kind, const void *image,
                            long length, int width, int height, int place1, int place2, int place3,
                            const char *link);

/* ---- Reading and search --------------------------------------------------- */

/* The shown text of a cell of the current sheet into `value` (value_size
 * bytes) and its kind name (CHARACTER, INTEGER, FLOAT, PERCENT, DATE,
 * DATE_TIME, TIME, FORMULA + formula) into `kind`. VXLS_ERR_NO_CELL_SHEET,
 * _NO_CELL_ROW or _NO_CELL when the sheet, row or cell does not exist;
 * VXLS_ERR_OVERFLOW when the text does not fit. */
int   VXLS_get_cell(XLS_BOOK *book, const char *cell, char *value, int value_size, char *kind, int kind_size);
/* `count` shown texts from a 0-based (sheet, row, column), reading right
 * (direction 0) or down, into values[i] (each large enough for any cell
 * text, 32,767 characters; a longer text read from a workbook gives its
 * first 32,767); past the used area the texts are empty. */
int   VXLS_get_cells(XLS_BOOK *book, int direction, int sheet, int row, int column, int count, char **values);
/* Finds a cell by its shown text and reads `count` cells from it; call
 * again with `remaining` non-zero to read the next group of a merged area.
 * VXLS_ERR_NO_SHEET when nothing matches. */
int   VXLS_search(XLS_BOOK *book, XLS_SEARCH *search, const char *text, char **values);
/* Applies a file of property text lines: FILE=path [CHARSET=SJIS|EUC|UTF8].
 * VXLS_ERR_OPEN when the file cannot be opened, VXLS_ERR_GENERAL when a
 * line fails (its message stays). */
int   VXLS_read_file(XLS_BOOK *book, const char *options);
/* Links a cell in use of the current sheet to a cell of a sheet of the book. */
int   VXLS_sheet_hyperlink(XLS_BOOK *book, const char *cell, const char *sheet, const char *target);
/* Links a cell in use of the current sheet to an outside address. */
int   VXLS_external_hyperlink(XLS_BOOK *book, const char *cell, const char *address);

/* ---- Messages and diagnostics -------------------------------------------- */

/* The book's error_info (an empty text for NULL). */
char *VXLS_error_mesg(XLS_BOOK *book);
/* Appends `text` and a line feed to DEBUG.log in the current directory; always VXLS_OK. */
int   VXLS_debug(const char *text);

/* Kept for callers of earlier releases: they do nothing and return VXLS_OK. */
int   VXLS_set_property(XLS_BOOK *book, const char *key, const char *value);
int   VXLS_open_datasource(XLS_BOOK *book, const char *options);
int   VXLS_close_datasource(XLS_BOOK *book);
int   VXLS_paste_datasource(XLS_BOOK *book, const char *options);

/* ---- Utilities ------------------------------------------------------------ */

/* The kind (VXLS_FILE_...) of a file by its magic bytes and name: mode
 * VXLS_FILETYPE_HEADER reads the first 16 bytes from `source` itself, mode
 * VXLS_FILETYPE_MEMORY a memory file set aside by VXLS_swap_book(0), any
 * other mode the disk file `source`. *type is VXLS_FILE_UNKNOWN when no row
 * matches. VXLS_ERR_OPEN when the file cannot be opened. */
int   vel_file_type(int mode, const char *source, int *type);
/* 0: the calling thread's saves go into memory files of their books; any
 * other value: to disk files (the start-up state); always VXLS_OK. */
int   vel_zip_on_memory(int flag);

#if defined(__GNUC__)
#pragma GCC visibility pop
#endif

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_H */
