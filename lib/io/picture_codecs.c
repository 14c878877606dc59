/* JPEG and PNG header probes. Error recovery is confined here: each probe
 * sets its jump buffer, calls the library, and the library's error handler
 * jumps back into the same function, which releases the library's
 * structures and returns a code. Nothing of C++ lies between. */
#include "io/picture_codecs.h"

#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <jpeglib.h>
#include <png.h>

/* ---- JPEG ------------------------------------------------------------------ */

enum { JPEG_CHUNK = 4096 };

struct jpeg_probe {
    struct jpeg_error_mgr err;     /* first: libjpeg hands back this pointer */
    jmp_buf jump;
    struct jpeg_source_mgr src;
    vel_picture_read_fn read;
    void *source;
    JOCTET buf[JPEG_CHUNK];
    JOCTET eoi[2];
};

static void jpeg_error_exit(j_common_ptr cinfo) {
    struct jpeg_probe *p = (struct jpeg_probe *)cinfo->err;
    longjmp(p->jump, 1);
}

static void jpeg_quiet(j_common_ptr cinfo, int level) {
    (void)cinfo;
    (void)level;
}

static void jpeg_no_output(j_common_ptr cinfo) { (void)cinfo; }

static struct jpeg_probe *probe_of(j_decompress_ptr cinfo) { return (struct jpeg_probe *)cinfo->err; }

static void jpeg_src_init(j_decompress_ptr cinfo) { (void)cinfo; }

/* At the end of the bytes an end-of-image marker is supplied, as libjpeg
 * expects; reading the header then fails with "no image". */
static boolean jpeg_src_fill(j_decompress_ptr cinfo) {
    struct jpeg_probe *p = probe_of(cinfo);
    size_t got = p->read(p->source, p->buf, JPEG_CHUNK);
    if (got == 0) {
        p->eoi[0] = 0xFF;
        p->eoi[1] = JPEG_EOI;
        p->src.next_input_byte = p->eoi;
        p->src.bytes_in_buffer = 2;
        return TRUE;
    }
    p->src.next_input_byte = p->buf;
    p->src.bytes_in_buffer = got;
    return TRUE;
}

static void jpeg_src_skip(j_decompress_ptr cinfo, long n) {
    struct jpeg_probe *p = probe_of(cinfo);
    while (n > 0) {
        if ((size_t)n <= p->src.bytes_in_buffer) {
            p->src.next_input_byte += n;
            p->src.bytes_in_buffer -= (size_t)n;
            return;
        }
        n -= (long)p->src.bytes_in_buffer;
        p->src.bytes_in_buffer = 0;
        jpeg_src_fill(cinfo);
        if (p->src.next_input_byte == p->eoi) return;
    }
}

static void jpeg_src_term(j_decompress_ptr cinfo) { (void)cinfo; }

int vel_jpeg_header_size(vel_picture_read_fn read, void *source, uint32_t *width, uint32_t *height) {
    static struct jpeg_probe zero;
    struct jpeg_probe probe = zero;
    struct jpeg_decompress_struct cinfo;
    memset(&cinfo, 0, sizeof cinfo);
    probe.read = read;
    probe.source = source;
    cinfo.err = jpeg_std_error(&probe.err);
    probe.err.error_exit = jpeg_error_exit;
    probe.err.emit_message = jpeg_quiet;
    probe.err.output_message = jpeg_no_output;
    if (setjmp(probe.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }
    jpeg_create_decompress(&cinfo);
    probe.src.init_source = jpeg_src_init;
    probe.src.fill_input_buffer = jpeg_src_fill;
    probe.src.skip_input_data = jpeg_src_skip;
    probe.src.resync_to_restart = jpeg_resync_to_restart;
    probe.src.term_source = jpeg_src_term;
    cinfo.src = &probe.src;
    jpeg_read_header(&cinfo, TRUE);
    *width = cinfo.image_width;
    *height = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

/* ---- PNG ------------------------------------------------------------------- */

struct png_probe {
    vel_picture_read_fn read;
    void *source;
};

static void png_error_jump(png_structp png, png_const_charp message) {
    (void)message;
    png_longjmp(png, 1);
}

static void png_warning_quiet(png_structp png, png_const_charp message) {
    (void)png;
    (void)message;
}

static void png_read_source(png_structp png, png_bytep data, size_t n) {
    struct png_probe *p = (struct png_probe *)png_get_io_ptr(png);
    size_t got = 0;
    while (got < n) {
        size_t step = p->read(p->source, data + got, n - got);
        if (step == 0) png_error(png, "unexpected end of file");
        got += step;
    }
}

int vel_png_header_size(vel_picture_read_fn read, void *source, uint32_t *width, uint32_t *height) {
    struct png_probe probe;
    png_structp png;
    png_infop info;
    probe.read = read;
    probe.source = source;
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, png_error_jump, png_warning_quiet);
    if (!png) return -2;
    info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, NULL, NULL);
        return -2;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, NULL);
        return -1;
    }
    /* Only the header matters: ancillary chunks before the image data are
     * skipped unread, and no chunk may ask for a large allocation. */
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, NULL, -1);
    png_set_chunk_malloc_max(png, 1u << 20);
    png_set_user_limits(png, 0x7fffffffu, 0x7fffffffu);
    png_set_read_fn(png, &probe, png_read_source);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    png_destroy_read_struct(&png, &info, NULL);
    return 0;
}
