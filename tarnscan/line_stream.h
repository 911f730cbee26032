// The byte stream of one scan: unpadded lines one after another, top line first,
// handed out in reads of any size, a read ending anywhere inside a line.
#pragma once

#include <cstdint>
#include <vector>

#include "tarnscan/imaging.h"

namespace tarnscan {

class LineStream {
public:
    // A new scan of `lines` lines.
    void Start(int64_t lines);
    // Whether every line has been delivered.
    bool AtEnd() const { return nextLine_ >= lines_ && lineOffset_ == 0; }
    // Whether the stream stands inside a line (a change of line width must wait).
    bool InsideLine() const { return lineOffset_ != 0; }
    // The line width changed: the buffered line no longer holds a delivered line.
    void ForgetBufferedLine() { bufferedLine_ = -1; }
    // Copies up to `requested` bytes of the following lines to `destination`;
    // the number written. Lines are rendered straight into the destination when
    // a whole line fits, otherwise through a line buffer.
    uint32_t Read(LineRenderer& renderer, uint32_t requested, uint8_t* destination);

private:
    int64_t lines_ = 0;
    int64_t nextLine_ = 0;   // the line being delivered
    size_t lineOffset_ = 0;  // bytes of it already delivered
    std::vector<uint8_t> lineBuffer_;
    int64_t bufferedLine_ = -1;
};

}  // namespace tarnscan
