// The variable table of a book.
#include "model/variables.h"

#include <new>

#include "core/messages.h"

namespace vel {

const Variable *vlt_find_variable(Book *book, std::string_view name) {
    if (!book) return nullptr;
    for (const Variable &v : model(book).variables)
        if (same_nocase(v.key, name)) return &v;
    return nullptr;
}

int vlt_define_variable(Book *book, std::string_view name, std::string_view value) {
    if (name.size() > static_cast<size_t>(XLS_KEY_LEN))
        return vlt_error(book, -9, msg::E03009, static_cast<int>(name.size()), "vlt_put_resource() XLS_KEY_LEN");
    if (value.size() > static_cast<size_t>(XLS_KEY_VALUE_LEN))
        return vlt_error(book, -9, msg::E03009, static_cast<int>(value.size()),
                         "vlt_put_resource() XLS_KEY_VALUE_LEN");
    auto &table = model(book).variables;
    try {
        for (Variable &v : table) {
            if (same_nocase(v.key, name)) {
                v.value.assign(value);
                return 0;
            }
        }
        if (table.size() + 1 >= table.capacity()) table.reserve(table.capacity() + 10);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        table.push_back(Variable{std::string(name), std::string(value)});
    } catch (const std::bad_alloc &) {
        return vlt_error(book, -2, msg::E00002);
    }
    return 0;
}

} // namespace vel
