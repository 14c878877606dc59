// Calls that put values or look at names outside property text: one cell by
// name, a variable, a picture held in memory, and the address and property
// checks.
#pragma once
#include "model/book.h"

namespace vel {

// Stores a value into a cell named in the caller's character set ("A1" or
// "Sheet!A1"), as a cell item of property text does.
int vlt_put_cell_named(Book *book, const char *cell, const char *value);
// Defines or replaces a variable (caller's character set); rc::GENERAL on
// any failure, with the message recorded.
int vlt_put_variable(Book *book, const char *name, const char *value);
// The property kind of a key; rc::BAD_ARGUMENT and kind -1 for a key that
// names no property.
int vlt_is_property(Book *book, const char *key, int *kind);
// Places a picture held in memory at a cell of the current sheet (the bytes
// are copied). The picture kind must be one of the picture file kinds.
int vlt_put_image_memory(Book *book, const char *cell, int image_kind, const void *image, long length, int width,
                         int height, const int place[3], const char *link);
// Whether a text is a cell name / a single "cell:cell" range; 1-based
// results. `book` may be null (no variables then). rc::NO_SHEET when the
// text is not one, rc::BAD_ARGUMENT for a bad argument.
int vlt_is_cell(Book *book, const char *text, int *row, int *column);
int vlt_is_range(Book *book, const char *text, int *row1, int *column1, int *row2, int *column2);

} // namespace vel
