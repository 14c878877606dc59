/*
 * velmora_codes.h - the numbers of the VELMORA C interface: result codes,
 * character sets, flag values, workbook and file kinds, property kinds.
 * Included by velmora.h; holds no declarations, only constants, so it
 * compiles as C99 and as C++.
 */
#ifndef VELMORA_CODES_H
#define VELMORA_CODES_H

#define VXLS_VERSION_TEXT "2.0.0.0"

/*
 * Result codes. Every VXLS_ function returns 0 or one of these; on a
 * negative result the book's error_info holds a message beginning "VXLS-".
 */
#define VXLS_OK                0
#define VXLS_ERR_GENERAL     (-1)   /* version or size mismatch, internal failure */
#define VXLS_ERR_MEMORY      (-2)   /* out of memory */
#define VXLS_ERR_ARGUMENT    (-3)   /* bad argument or property text; book not open */
#define VXLS_ERR_UNSUPPORTED (-4)   /* unsupported or encrypted file; save refused */
#define VXLS_ERR_XLS_REFUSED (-9)   /* an .xls workbook the reader refuses */
#define VXLS_ERR_OPEN        (-101) /* a file cannot be opened */
#define VXLS_ERR_READBACK    (-102) /* a memory workbook cannot be read back */
#define VXLS_ERR_WRITE       (-103) /* the workbook cannot be written */
#define VXLS_ERR_NO_SHEET    (-801) /* no such sheet name or index */
#define VXLS_ERR_NO_CELL_SHEET (-901) /* VXLS_get_cell: no current sheet */
#define VXLS_ERR_NO_CELL_ROW   (-902) /* VXLS_get_cell: the row does not exist */
#define VXLS_ERR_NO_CELL       (-903) /* VXLS_get_cell: the cell does not exist */
#define VXLS_ERR_OVERFLOW    (-909) /* a buffer or limit would overflow */

/* Character sets of the caller (open option CHARSET). */
#define VXLS_CHARSET_SJIS    1      /* Shift-JIS (Windows code page 932), the default */
#define VXLS_CHARSET_EUC     2      /* EUC-JP */
#define VXLS_CHARSET_UTF8    3      /* UTF-8 */
#define VXLS_CHARSET_UTF16BE 4      /* accepted as a conversion source only */

/* Flag values: every book flag is 0 (on) or 255 (off). */
#define VXLS_ON  0
#define VXLS_OFF 255

/* Workbook kinds of a book (XLS_BOOK::book_kind). */
#define VXLS_KIND_XLS  11
#define VXLS_KIND_XLSX 12

/* File kinds reported by vel_file_type. */
#define VXLS_FILE_UNKNOWN     (-1)
#define VXLS_FILE_CSV         0     /* matched by extension only */
#define VXLS_FILE_XLS         11
#define VXLS_FILE_XLSX        12
#define VXLS_FILE_XLSB        13
#define VXLS_FILE_XLSM        14
#define VXLS_FILE_XLSX_LOCKED 19    /* encrypted package (compound file) */
#define VXLS_FILE_DOC         21
#define VXLS_FILE_DOCX        22
#define VXLS_FILE_DOCM        23
#define VXLS_FILE_DOCX_LOCKED 29
#define VXLS_FILE_PPT         31
#define VXLS_FILE_PPTX        32
#define VXLS_FILE_PPTM        33
#define VXLS_FILE_PPTX_LOCKED 39
#define VXLS_FILE_MPP         40
#define VXLS_FILE_VSD         101
#define VXLS_FILE_PDF         102
#define VXLS_FILE_PSD         103
#define VXLS_FILE_BMP         201
#define VXLS_FILE_JPEG        202
#define VXLS_FILE_PNG         203
#define VXLS_FILE_GIF         204
#define VXLS_FILE_TIFF        205
#define VXLS_FILE_EMF         206
#define VXLS_FILE_WMF         207
#define VXLS_FILE_ZIP         301
#define VXLS_FILE_AVI         401
#define VXLS_FILE_MPEG        402
#define VXLS_FILE_WMV         403
#define VXLS_FILE_EXE         900

/* Modes of vel_file_type. */
#define VXLS_FILETYPE_MEMORY  0     /* a memory file set aside by VXLS_swap_book(0) */
#define VXLS_FILETYPE_DISK    1     /* any value other than 0 and 9999: a disk file */
#define VXLS_FILETYPE_HEADER  9999  /* the first 16 bytes of a file, in the caller's buffer */

/*
 * Property kinds reported by VXLS_is_property: the kind of a key's keyword
 * path. A target section in front of the path (cell, range, row, column,
 * sheet name) does not change the kind.
 */
/* Book. */
#define VXLS_PROP_BOOK                       101     /* BOOK (output file name; BOOK.NAME too) */
#define VXLS_PROP_BOOK_COMPANY               102
#define VXLS_PROP_BOOK_CREATOR               103
#define VXLS_PROP_BOOK_MANAGER               104
#define VXLS_PROP_BOOK_TITLE                 105
#define VXLS_PROP_BOOK_SUBJECT               106
#define VXLS_PROP_TEMPLATE                   107
#define VXLS_PROP_BOOK_WRITE_PASSWORD        108
#define VXLS_PROP_BOOK_RECALC                109
#define VXLS_PROP_BOOK_BACKUP                110
#define VXLS_PROP_BOOK_THUMBNAIL_PATH        111     /* BOOK.THUMBNAIL.PATH, THUMBNAIL.PATH */
#define VXLS_PROP_BOOK_FINAL                 112

/* Sheet. */
#define VXLS_PROP_SHEET                      201     /* SHEET, SHEET.NAME, SHEET.ZOOM */
#define VXLS_PROP_ZOOM                       202
#define VXLS_PROP_SHEET_HIDDEN               203
#define VXLS_PROP_SHEET_PASSWORD             204
#define VXLS_PROP_SHEET_PROTECT              205
#define VXLS_PROP_SHEET_ORDER                206
#define VXLS_PROP_SHEET_HIDDEN_GRID          207
#define VXLS_PROP_SHEET_HIDDEN_HEADER        208
#define VXLS_PROP_SHEET_FROZEN_TOP           209
#define VXLS_PROP_SHEET_FROZEN_LEFT          210
#define VXLS_PROP_SHEET_BACKGROUND_PATH      211     /* SHEET.BACKGROUND.PATH, BACKGROUND.PATH */
#define VXLS_PROP_SHEET_SCROLL_ROW           212
#define VXLS_PROP_HEIGHT                     221
#define VXLS_PROP_NEWPAGE                    222
#define VXLS_PROP_WIDTH                      223
#define VXLS_PROP_SHEET_TAB_COLOR            231     /* SHEET.TAB.COLOR, TAB.COLOR */

/* Cells and ranges. */
#define VXLS_PROP_BORDER                     310
#define VXLS_PROP_BORDER_LEFT                311     /* also BORDER.LEFT.COLOR */
#define VXLS_PROP_BORDER_RIGHT               312
#define VXLS_PROP_BORDER_TOP                 313
#define VXLS_PROP_BORDER_BOTTOM              314
#define VXLS_PROP_BORDER_COLOR               315
#define VXLS_PROP_BORDER_DIAGONAL_UP         316
#define VXLS_PROP_BORDER_DIAGONAL_DOWN       317
#define VXLS_PROP_FONT_NAME                  331
#define VXLS_PROP_FONT_STYLE                 332
#define VXLS_PROP_FONT_SIZE                  333
#define VXLS_PROP_FONT_COLOR                 334
#define VXLS_PROP_FILL_COLOR                 341
#define VXLS_PROP_FILL_PATTERN               342     /* FILL.PATTERN.NAME and FILL.PATTERN */
#define VXLS_PROP_FILL_PATTERN_COLOR         343
#define VXLS_PROP_FILL_GRADATION_COLOR1      351
#define VXLS_PROP_FILL_GRADATION_COLOR2      352
#define VXLS_PROP_FILL_GRADATION_KIND        353
#define VXLS_PROP_FILL_GRADATION_VARIATION   354
#define VXLS_PROP_ALIGN                      401
#define VXLS_PROP_WRAP                       402
#define VXLS_PROP_VERTICAL_TEXT              403     /* 縦書き only (the English ROTATION is the shape's) */
#define VXLS_PROP_SHRINK                     404
#define VXLS_PROP_MERGE                      405
#define VXLS_PROP_FORMAT                     406
#define VXLS_PROP_COMMENT                    407

/* Pictures, links, filters. */
#define VXLS_PROP_IMAGE_PATH                 501
#define VXLS_PROP_IMAGE_RATIO                502
#define VXLS_PROP_IMAGE_OFFSET_X             503     /* also IMAGE.IMAGE.OFFSET.X */
#define VXLS_PROP_IMAGE_OFFSET_Y             504
#define VXLS_PROP_HYPERLINK                  511
#define VXLS_PROP_FILTER                     512
#define VXLS_PROP_HYPERLINK_TEXT             513     /* display text of the link */
#define VXLS_PROP_HYPERLINK_SHEET            514     /* HYPERLINK.SHEET: a place in the book ("Sheet!A1") */
#define VXLS_PROP_HYPERLINK_COMMENT          515     /* screen tip */

/* Sparklines. */
#define VXLS_PROP_SPARKLINE                  521
#define VXLS_PROP_SPARKLINE_KIND             522     /* also <point>.KIND */
#define VXLS_PROP_SPARKLINE_DISPLAY          523     /* also <point>.DISPLAY */
#define VXLS_PROP_SPARKLINE_HIGH_COLOR       524
#define VXLS_PROP_SPARKLINE_LOW_COLOR        525
#define VXLS_PROP_SPARKLINE_START_COLOR      526
#define VXLS_PROP_SPARKLINE_END_COLOR        527
#define VXLS_PROP_SPARKLINE_NEGATIVE_COLOR   528
#define VXLS_PROP_SPARKLINE_MARKER_COLOR     529
#define VXLS_PROP_SPARKLINE_COLOR            530     /* series colour */

/* Formatted tables. */
#define VXLS_PROP_TABLE_FORMAT               531
#define VXLS_PROP_TABLE_FORMAT_COLUMN_NAME   532
#define VXLS_PROP_TABLE_FORMAT_NAME          533
#define VXLS_PROP_TABLE_FORMAT_FILTER        534

/* Charts. */
#define VXLS_PROP_CHART                      601
#define VXLS_PROP_CHART_SWITCH               602
#define VXLS_PROP_CHART_LEGEND_POSITION      603
#define VXLS_PROP_CHART_LEGEND_FONT_SIZE     604
#define VXLS_PROP_CHART_SERIES_LINE          605
#define VXLS_PROP_CHART_MAJOR_UNIT           606
#define VXLS_PROP_CHART_DATA_LABEL           607
#define VXLS_PROP_CHART_GAP_WIDTH            608
#define VXLS_PROP_CHART_TITLE                609
#define VXLS_PROP_CHART_KIND                 610
#define VXLS_PROP_CHART_STYLE                611
#define VXLS_PROP_CHART_WIDTH                612
#define VXLS_PROP_CHART_HEIGHT               613
#define VXLS_PROP_CHART_OFFSET_X             614
#define VXLS_PROP_CHART_OFFSET_Y             615
#define VXLS_PROP_CHART_NAME                 616

/* Shapes. */
#define VXLS_PROP_AUTOSHAPE                  621
#define VXLS_PROP_AUTOSHAPE_TEXT             622
#define VXLS_PROP_AUTOSHAPE_START            623
#define VXLS_PROP_AUTOSHAPE_END              624
#define VXLS_PROP_AUTOSHAPE_WIDTH            625
#define VXLS_PROP_AUTOSHAPE_HEIGHT           626
#define VXLS_PROP_AUTOSHAPE_OFFSET_X         627
#define VXLS_PROP_AUTOSHAPE_OFFSET_Y         628
#define VXLS_PROP_AUTOSHAPE_END_OFFSET_X     629
#define VXLS_PROP_AUTOSHAPE_END_OFFSET_Y     630
#define VXLS_PROP_AUTOSHAPE_ADJUST_X         633
#define VXLS_PROP_AUTOSHAPE_ADJUST_Y         634
#define VXLS_PROP_AUTOSHAPE_ROTATION         635
#define VXLS_PROP_AUTOSHAPE_VERSION          636
#define VXLS_PROP_AUTOSHAPE_ARROW_START_KIND 641
#define VXLS_PROP_AUTOSHAPE_ARROW_START_WIDTH 642
#define VXLS_PROP_AUTOSHAPE_ARROW_START_LENGTH 643
#define VXLS_PROP_AUTOSHAPE_ARROW_END_KIND   644
#define VXLS_PROP_AUTOSHAPE_ARROW_END_WIDTH  645
#define VXLS_PROP_AUTOSHAPE_ARROW_END_LENGTH 646
#define VXLS_PROP_AUTOSHAPE_LINE_STYLE       665
#define VXLS_PROP_AUTOSHAPE_LINE_COLOR       666
#define VXLS_PROP_AUTOSHAPE_LINE_WIDTH       667
#define VXLS_PROP_AUTOSHAPE_LINE_TRANSPARENT 668
#define VXLS_PROP_AUTOSHAPE_TEXT_ALIGN       671
#define VXLS_PROP_AUTOSHAPE_FONT_NAME        672     /* AUTOSHAPE.TEXT.FONT.NAME or AUTOSHAPE.FONT.NAME */
#define VXLS_PROP_AUTOSHAPE_FONT_SIZE        673
#define VXLS_PROP_AUTOSHAPE_FONT_STYLE       674
#define VXLS_PROP_AUTOSHAPE_FONT_COLOR       675
#define VXLS_PROP_AUTOSHAPE_FILL_KIND        681
#define VXLS_PROP_AUTOSHAPE_FILL_COLOR       682
#define VXLS_PROP_AUTOSHAPE_FILL_STYLE       683
#define VXLS_PROP_AUTOSHAPE_FILL_TRANSPARENT 684
#define VXLS_PROP_AUTOSHAPE_GRADATION_COLOR1 685     /* AUTOSHAPE.FILL.GRADATION.COLOR1 */
#define VXLS_PROP_AUTOSHAPE_GRADATION_COLOR2 686
#define VXLS_PROP_AUTOSHAPE_GRADATION_KIND   687
#define VXLS_PROP_AUTOSHAPE_GRADATION_VARIATION 688
#define VXLS_PROP_AUTOSHAPE_BLUR             689
#define VXLS_PROP_AUTOSHAPE_FILL_ACCENT      698
#define VXLS_PROP_AUTOSHAPE_RESET            699
#define VXLS_PROP_AUTOSHAPE_EFFECT           700
#define VXLS_PROP_AUTOSHAPE_SHADOW_KIND      701
#define VXLS_PROP_AUTOSHAPE_SHADOW_COLOR     702
#define VXLS_PROP_AUTOSHAPE_SHADOW_TRANSPARENT 703
#define VXLS_PROP_AUTOSHAPE_SHADOW_BLUR      704
#define VXLS_PROP_AUTOSHAPE_SHADOW_DEGREE    705
#define VXLS_PROP_AUTOSHAPE_SHADOW_DIST      706
#define VXLS_PROP_AUTOSHAPE_SHADOW_ALIGN     707

/* Printing. */
#define VXLS_PROP_PAPER_SIZE                 711
#define VXLS_PROP_PAPER_ORIENTATION          712
#define VXLS_PROP_PAPER_SCALE                713
#define VXLS_PROP_PAPER_DPI                  714
#define VXLS_PROP_PAPER_MARGIN_TOP           715     /* PAPER.MARGIN.<side>, MARGIN.<side> */
#define VXLS_PROP_PAPER_MARGIN_BOTTOM        716
#define VXLS_PROP_PAPER_MARGIN_LEFT          717
#define VXLS_PROP_PAPER_MARGIN_RIGHT         718
#define VXLS_PROP_PAPER_MARGIN_HEADER        719
#define VXLS_PROP_PAPER_MARGIN_FOOTER        720

/* Page header and footer: SHEET.HEADER.<position> (or HEADER.<position>); */

/* <position>.FONT.NAME adds 1, .SIZE 2, .STYLE 3, .COLOR 4. */
#define VXLS_PROP_HEADER_LEFT                801
#define VXLS_PROP_HEADER_RIGHT               811
#define VXLS_PROP_HEADER_CENTER              821
#define VXLS_PROP_FOOTER_LEFT                831
#define VXLS_PROP_FOOTER_RIGHT               841
#define VXLS_PROP_FOOTER_CENTER              851
#define VXLS_PROP_HF_FONT_NAME               1       /* offsets from a position kind */
#define VXLS_PROP_HF_FONT_SIZE               2
#define VXLS_PROP_HF_FONT_STYLE              3
#define VXLS_PROP_HF_FONT_COLOR              4
#define VXLS_PROP_AUTO_WIDTH                 1001

/* Variables and data sources. */
#define VXLS_PROP_VARIABLE                   2001    /* a variable name alone */
#define VXLS_PROP_CSV                        2002
#define VXLS_PROP_TSV                        2003
#define VXLS_PROP_DATASOURCE                 2004
#define VXLS_PROP_ROWNUM                     2011    /* ROWNUM, DATASOURCE.ROWNUM */
#define VXLS_PROP_DATASOURCE_HOSTNAME        2013

#endif /* VELMORA_CODES_H */
