// Turns memory-transfer blocks into whole rows, top to bottom, for an image writer.
// A block may hold whole rows or pieces of rows (XOffset, Columns), and blocks may
// arrive out of row order: rows wait in a window of a bounded number of rows until
// every row above them has gone to the writer, so the memory held does not grow
// with the image. The image's length may be unknown until the transfer ends (a
// sheet whose end the scanner detects): rows are then taken as they come, without a
// last row, and the memory held stays the same.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/twain.h"

class CImageWriter;

class CRowAssembler {
public:
    // height: the image's rows, or UnknownHeight.
    CRowAssembler(CImageWriter& writer, int32_t width, int32_t height, int bitsPerPixel,
                  uint32_t windowRows);
    static constexpr int32_t UnknownHeight = -1;

    // Places the block whose bytes are at `data`; rows it completes, and those
    // below them already complete, go to the writer. False, with the reason in
    // `error`, for a block outside the image or too far ahead of the rows written.
    bool Place(const TW_IMAGEMEMXFER& block, const uint8_t* data, std::string& error);
    // The length of an image that had none is now known. False, with the reason in
    // `error`, when rows below it have already arrived.
    bool SetHeight(uint32_t height, std::string& error);
    // The transfer is done: rows never delivered, or delivered in part, are written
    // with zeros where nothing arrived. An image whose length is still unknown ends
    // with the lowest row any block reached.
    bool Finish(std::string& error);
    uint32_t RowsWritten() const { return nextRow_; }
    uint32_t RowsReached() const { return reached_; }

private:
    uint8_t* Slot(uint32_t row) { return window_.data() + (row % windowRows_) * rowBytes_; }
    bool WriteCompleteRows(std::string& error);

    CImageWriter& writer_;
    int bits_;
    size_t rowBytes_;
    bool heightKnown_;
    uint32_t height_;  // when known
    uint32_t windowRows_;
    std::vector<uint8_t> window_;
    std::vector<size_t> filled_;  // bytes placed in each slot's row
    uint32_t nextRow_ = 0;        // the first row not yet written
    uint32_t reached_ = 0;        // one past the lowest row any block reached
};
