// Turns memory-transfer blocks into whole rows, top to bottom, for an image writer.
// A block may hold whole rows or pieces of rows (XOffset, Columns), and blocks may
// arrive out of row order: rows wait in a window of a bounded number of rows until
// every row above them has gone to the writer, so the memory held does not grow
// with the image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/twain.h"

class CImageWriter;

class CRowAssembler {
public:
    CRowAssembler(CImageWriter& writer, int32_t width, int32_t height, int bitsPerPixel,
                  uint32_t windowRows);

    // Places the block whose bytes are at `data`; rows it completes, and those
    // below them already complete, go to the writer. False, with the reason in
    // `error`, for a block outside the image or too far ahead of the rows written.
    bool Place(const TW_IMAGEMEMXFER& block, const uint8_t* data, std::string& error);
    // The transfer is done: rows never delivered, or delivered in part, are written
    // with zeros where nothing arrived.
    bool Finish(std::string& error);
    uint32_t RowsWritten() const { return nextRow_; }

private:
    uint8_t* Slot(uint32_t row) { return window_.data() + (row % windowRows_) * rowBytes_; }
    bool WriteCompleteRows(std::string& error);

    CImageWriter& writer_;
    int bits_;
    size_t rowBytes_;
    uint32_t height_;
    uint32_t windowRows_;
    std::vector<uint8_t> window_;
    std::vector<size_t> filled_;  // bytes placed in each slot's row
    uint32_t nextRow_ = 0;        // the first row not yet written
};
