/* Header sizes of JPEG and PNG pictures through libjpeg and libpng. The
 * libraries report errors by longjmp; that happens only inside the C code of
 * picture_codecs.c, between its own setjmp and the library call, with no
 * C++ object in between. The bytes come from a read callback that must not
 * throw. */
#ifndef VEL_PICTURE_CODECS_H
#define VEL_PICTURE_CODECS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads up to n bytes into buf; returns the count, 0 at the end or on failure. */
typedef size_t (*vel_picture_read_fn)(void *source, unsigned char *buf, size_t n);

/* 0 with the size, -1 when the library refuses the header, -2 when a
 * library structure cannot be allocated. */
int vel_jpeg_header_size(vel_picture_read_fn read, void *source, uint32_t *width, uint32_t *height);
int vel_png_header_size(vel_picture_read_fn read, void *source, uint32_t *width, uint32_t *height);

#ifdef __cplusplus
}
#endif

#endif
