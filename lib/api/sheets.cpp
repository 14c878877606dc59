// Placeholder sheet lookup until the sheet functions land.
#include "api/book.h"
#include "api/sheets.h"
namespace vel {
int vlt_find_sheet(XLS_BOOK *book, std::string_view name) {
    auto &sheets = model(book).sheets;
    for (size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].name == name) return static_cast<int>(i);
    return -1;
}
int vlt_add_sheet(XLS_BOOK *book, std::string_view name) {
    auto &m = model(book);
    m.sheets.emplace_back();
    m.sheets.back().name.assign(name);
    book->current_sheet = static_cast<int>(m.sheets.size()) - 1;
    return 0;
}
} // namespace vel
