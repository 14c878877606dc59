// Fuzzes the seven picture size probes on arbitrary bytes: every probe runs
// on every input, from an exact-size heap copy, so that a read past the
// header's bytes is caught. A probe either refuses with one of its codes or
// gives a believable size.
#include "io/picture.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    for (int kind = VXLS_FILE_BMP; kind <= VXLS_FILE_WMF; ++kind) {
        vel::PictureInfo info;
        int rc = vel::probe_picture(kind, copy.get(), size, info);
        if (rc != 0 && rc != -1 && rc != -2 && rc != -102 && rc != -104) std::abort();
        if (rc != 0) continue;
        if (info.kind != kind || info.width < 1 || info.height < 1 || info.width > vel::MAX_PICTURE_SIDE ||
            info.height > vel::MAX_PICTURE_SIDE)
            std::abort();
        if (info.palette.size() > 256 * 4 || info.palette.size() % 4 != 0) std::abort();
    }
    return 0;
}
