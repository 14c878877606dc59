// Placeholder until the VBA project generator lands.
#include "xlsx/vba/vba_project.h"
namespace vel {
const std::vector<uint8_t> &vba_project_bin() {
    static const std::vector<uint8_t> empty;
    return empty;
}
} // namespace vel
