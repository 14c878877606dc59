// Fuzzes file-type detection in its three modes, plus the CSV line reader,
// on arbitrary bytes. The first input byte picks the name's extension; the
// rest is the file. A memory file and a disk file with the same bytes and
// extension must give the same answer.
#include "io/filetype.h"
#include "io/aodfile.h"
#include "io/mfile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char *const kExtensions[] = {
    "jpg", "jpeg", "gif", "bmp", "png", "tiff", "tif", "zip", "xls", "xlsx", "xlsb",
    "xlsm", "doc", "docx", "docm", "ppt", "pptx", "pptm", "mpp", "vsd", "pdf", "psd",
    "wmf", "emf", "exe", "csv", "avi", "mpg", "wmv", "wav", "XLSX", "bin",
};
constexpr size_t kExtensionCount = sizeof kExtensions / sizeof kExtensions[0];

std::string &temp_dir() {
    static std::string dir = [] {
        const char *base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/vel-fuzz-filetype-XXXXXX";
        if (!mkdtemp(templ.data())) std::abort();
        return templ;
    }();
    return dir;
}

void remove_temp() {
    for (const char *ext : kExtensions) unlink((temp_dir() + "/in." + ext).c_str());
    rmdir(temp_dir().c_str());
}

bool known_result(int rc) { return rc == 0 || rc == -1 || rc == -101 || rc == -104; }

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    temp_dir();
    std::atexit(remove_temp);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const char *ext = kExtensions[data[0] % kExtensionCount];
    const uint8_t *body = data + 1;
    const size_t len = size - 1;

    // Header only.
    uint8_t head[16] = {};
    std::memcpy(head, body, len < sizeof head ? len : sizeof head);
    int type = 0;
    if (file_type(9999, reinterpret_cast<const char *>(head), &type, nullptr) != 0) std::abort();

    // Memory file.
    std::string mem_name = std::string("fuzz/in.") + ext;
    static MFileTable files;
    MFILE *m = mopen(files, mem_name.c_str(), "wb");
    if (!m) std::abort();
    if (len && mwrite(body, 1, len, m) != len) std::abort();
    mclose(m);
    int mem_type = 0;
    int mem_rc = file_type(0, mem_name.c_str(), &mem_type, &files);

    // Disk file.
    std::string path = temp_dir() + "/in." + ext;
    AOD_FILE *f = aod_fopen(path.c_str(), 2);
    if (!f) std::abort();
    if (len && aod_fwrite(body, len, f) != len) std::abort();
    aod_fclose(f);
    int disk_type = 0;
    int disk_rc = file_type(1, path.c_str(), &disk_type, nullptr);

    if (!known_result(mem_rc) || mem_rc != disk_rc || mem_type != disk_type) std::abort();
    if (mem_rc != 0 && mem_type != -1) std::abort();

    // The line reader must end, and never overrun a small buffer.
    f = aod_fopen(path.c_str(), 1);
    if (!f) std::abort();
    char line[7];
    size_t lines = 0;
    while (aod_fgets(line, sizeof line, f) == 1) {
        if (std::strlen(line) >= sizeof line || ++lines > len) std::abort();
    }
    aod_fclose(f);

    mfree_all(files);
    return 0;
}
