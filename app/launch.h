// Starting the desktop's spreadsheet program on a finished workbook.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace gc {

// Starts the program the desktop associates with the workbook's type (the
// Exec line of its .desktop entry), else libreoffice or soffice from PATH,
// without a shell and with the path as one argument, and waits for it to
// end. 0 when it ran, -1 when nothing could be found or started.
int launch_workbook(const std::u16string &path);

// The argument vector of a desktop entry's Exec value for one file: quoting
// and escapes resolved, %f %F %u %U replaced by the file (appended when the
// line has none), other field codes dropped. Empty when the line is unusable.
std::vector<std::string> exec_arguments(const std::string &exec, const std::string &file);

// The Exec value of the [Desktop Entry] group of a .desktop file.
std::optional<std::string> desktop_exec(const std::string &desktop_file);

} // namespace gc
