// Placeholder until the style registry lands.
#include "model/styles.h"
namespace vel {
void init_styles(Model &, bool) {}
int vlt_set_align(XLS_BOOK *, Cell &, int) { return 0; }
int vlt_set_text_control(XLS_BOOK *, Cell &, int) { return 0; }
int vlt_set_num_format(XLS_BOOK *, Cell &, int) { return 0; }
int vlt_set_font(XLS_BOOK *, Cell &, int, const Font &) { return 0; }
int vlt_set_fill(XLS_BOOK *, Cell &, int, const Fill &) { return 0; }
int vlt_set_border(XLS_BOOK *, Sheet &, int, int, int, int, int, const Border &) { return 0; }
int vlt_register_num_format(XLS_BOOK *, int) { return 1; }
} // namespace vel
