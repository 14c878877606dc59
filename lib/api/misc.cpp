// Exported calls that need no book: messages, the debug trace, the help
// card, file-type detection, the zip target, and the calls kept for callers
// of earlier releases.
#include <cstdio>
#include <string>

#include "api/handle.h"
#include "io/filetype.h"
#include "io/mfile.h"
#include "property/help.h"

using namespace vel;
using namespace vel::api;

extern "C" {

char *VXLS_error_mesg(XLS_BOOK *book) {
    static char empty[1] = "";
    return book ? book->error_info : empty;
}

int VXLS_debug(const char *text) {
    if (!text) return VXLS_OK;
    std::FILE *f = std::fopen("DEBUG.log", "a");
    if (!f) return VXLS_OK;
    std::fprintf(f, "%s\n", text);
    std::fclose(f);
    return VXLS_OK;
}

int VXLS_help(void) {
    try {
        std::string text = vlt_help_text(last_charset());
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    } catch (...) {
        // Nothing to print when memory runs out.
    }
    return VXLS_OK;
}

int vel_file_type(int mode, const char *source, int *type) {
    try {
        if (mode != 0) return rc::to_api(file_type(mode, source, type, nullptr));
        // Mode 0 looks among the memory files set aside by VXLS_swap_book(0).
        if (type) *type = VXLS_FILE_UNKNOWN;
        if (!type || !source) return VXLS_ERR_ARGUMENT;
        struct Probe {
            const char *name;
            int *type;
        } probe{source, type};
        int result = mwith_aside(
            source,
            [](MFILE *f, void *context) {
                auto *p = static_cast<Probe *>(context);
                return file_type_of(f, p->name, p->type);
            },
            &probe);
        return result == -1 && *type == VXLS_FILE_UNKNOWN ? VXLS_ERR_OPEN : rc::to_api(result);
    } catch (...) {
        return VXLS_ERR_MEMORY;
    }
}

int vel_zip_on_memory(int flag) {
    set_thread_zip_to_memory(flag == 0);
    return VXLS_OK;
}

int VXLS_set_property(XLS_BOOK *, const char *, const char *) { return VXLS_OK; }
int VXLS_open_datasource(XLS_BOOK *, const char *) { return VXLS_OK; }
int VXLS_close_datasource(XLS_BOOK *) { return VXLS_OK; }
int VXLS_paste_datasource(XLS_BOOK *, const char *) { return VXLS_OK; }

} // extern "C"
