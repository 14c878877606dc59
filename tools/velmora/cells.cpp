#include "cells.h"

namespace velcmd {

CellReader::CellReader() : storage_(CHUNK * CELL_BYTES), slots_(CHUNK)
{
    for (int i = 0; i < CHUNK; ++i)
        slots_[i] = storage_.data() + std::size_t(i) * CELL_BYTES;
}

} // namespace velcmd
