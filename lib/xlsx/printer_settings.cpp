// xl/printerSettings/printerSettings%d.bin: a printer DEVMODE record (the
// 220-byte public part, no driver-private data) carrying the sheet's
// orientation and paper size.
#include "xlsx/package.h"

#include <cstring>

namespace vel {

namespace {

constexpr size_t DEVMODE_SIZE = 220;

// DEVMODE field offsets and dmFields bits.
enum : size_t {
    OFF_DEVICE_NAME = 0, OFF_SPEC_VERSION = 64, OFF_DRIVER_VERSION = 66, OFF_SIZE = 68,
    OFF_DRIVER_EXTRA = 70, OFF_FIELDS = 72, OFF_ORIENTATION = 76, OFF_PAPER_SIZE = 78,
    OFF_SCALE = 84, OFF_COPIES = 86, OFF_DEFAULT_SOURCE = 88, OFF_PRINT_QUALITY = 90,
    OFF_COLOR = 92, OFF_DUPLEX = 94, OFF_Y_RESOLUTION = 96, OFF_TT_OPTION = 98,
};
enum : uint32_t {
    DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_SCALE = 0x10, DM_COPIES = 0x100,
    DM_DEFAULTSOURCE = 0x200, DM_PRINTQUALITY = 0x400, DM_COLOR = 0x800, DM_DUPLEX = 0x1000,
    DM_YRESOLUTION = 0x2000, DM_TTOPTION = 0x4000,
};

void put16(std::vector<uint8_t> &b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

int devmode_paper_size(int paper_code) {
    switch (paper_code) {
    case 0: return 49;
    case 1: return 51;
    case 2: return 66;
    case 3: return 8;
    case 5: return 11;
    case 11: return 58;
    case 12: return 60;
    case 13: return 62;
    case 14: return 12;
    case 15: return 13;
    default: return 9;
    }
}

std::vector<uint8_t> printer_settings(const Sheet &sheet) {
    std::vector<uint8_t> b(DEVMODE_SIZE, 0);
    static constexpr char device[] = "Microsoft XPS Document Writer";
    for (size_t i = 0; i < sizeof device - 1; ++i) put16(b, OFF_DEVICE_NAME + 2 * i, static_cast<uint8_t>(device[i]));
    put16(b, OFF_SPEC_VERSION, 0x0401);
    put16(b, OFF_DRIVER_VERSION, 0x0001);
    put16(b, OFF_SIZE, static_cast<uint16_t>(DEVMODE_SIZE));
    put16(b, OFF_DRIVER_EXTRA, 0);
    put32(b, OFF_FIELDS, DM_ORIENTATION | DM_PAPERSIZE | DM_SCALE | DM_COPIES | DM_DEFAULTSOURCE |
                             DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION | DM_TTOPTION);
    put16(b, OFF_ORIENTATION, sheet.page.orientation == 1 ? 2 : 1);
    put16(b, OFF_PAPER_SIZE, static_cast<uint16_t>(devmode_paper_size(sheet.page.paper)));
    put16(b, OFF_SCALE, 100);
    put16(b, OFF_COPIES, 1);
    put16(b, OFF_DEFAULT_SOURCE, 7);     // automatic tray
    put16(b, OFF_PRINT_QUALITY, 600);
    put16(b, OFF_COLOR, 2);              // colour
    put16(b, OFF_DUPLEX, 1);             // simplex
    put16(b, OFF_Y_RESOLUTION, 600);
    put16(b, OFF_TT_OPTION, 3);          // TrueType as outline fonts
    return b;
}

} // namespace vel
