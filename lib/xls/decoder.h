// The .xls decoder: finds the workbook stream of a compound file and reads
// its BIFF8 (or BIFF5) records, reporting the workbook to a Sink. It knows
// nothing of the book model.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "cfb/reader.h"
#include "xls/sink.h"

namespace vel::xls {

// Decodes an .xls image held in memory: the stream "Workbook" (else "Book"),
// names compared without regard to case.
ReadStatus decode_xls(const uint8_t *data, size_t size, Sink &sink);

// Decodes a workbook stream given as its runs of bytes, in order.
ReadStatus decode_workbook_stream(std::span<const cfb::Extent> runs, Sink &sink);

} // namespace vel::xls
