#include "tarnscan/line_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "tarnscan/fill.h"

namespace tarnscan {

void LineStream::Start(int64_t lines) {
    lines_ = lines;
    nextLine_ = 0;
    lineOffset_ = 0;
    bufferedLine_ = -1;
}

uint32_t LineStream::Read(LineRenderer& renderer, uint32_t requested, uint8_t* destination) {
    const size_t lineBytes = renderer.LineBytes();
    uint32_t delivered = 0;
    if (renderer.AllBlank() && renderer.BlankIsUniform()) {
        // Nothing but white paper in one byte value: the whole read is one fill.
        int64_t remaining = (lines_ - nextLine_) * static_cast<int64_t>(lineBytes) - lineOffset_;
        delivered = static_cast<uint32_t>(std::min<int64_t>(requested, remaining));
        FillBytes(destination, renderer.BlankLine()[0], delivered);
        int64_t position = nextLine_ * static_cast<int64_t>(lineBytes) + lineOffset_ + delivered;
        nextLine_ = position / static_cast<int64_t>(lineBytes);
        lineOffset_ = static_cast<size_t>(position % static_cast<int64_t>(lineBytes));
        return delivered;
    }
    while (delivered < requested && nextLine_ < lines_) {
        size_t chunk = std::min<size_t>(lineBytes - lineOffset_, requested - delivered);
        uint8_t* out = destination + delivered;
        if (renderer.IsBlank(nextLine_)) {
            // White paper: a fill, or a copy of the blank line.
            if (renderer.BlankIsUniform())
                FillBytes(out, renderer.BlankLine()[0], chunk);
            else
                std::memcpy(out, renderer.BlankLine() + lineOffset_, chunk);
        } else if (chunk == lineBytes) {
            renderer.Render(nextLine_, out);
        } else {
            if (bufferedLine_ != nextLine_ || lineBuffer_.size() != lineBytes) {
                try {
                    lineBuffer_.resize(lineBytes);
                } catch (const std::bad_alloc&) {
                    break;
                }
                renderer.Render(nextLine_, lineBuffer_.data());
                bufferedLine_ = nextLine_;
            }
            std::memcpy(out, lineBuffer_.data() + lineOffset_, chunk);
        }
        delivered += static_cast<uint32_t>(chunk);
        lineOffset_ += chunk;
        if (lineOffset_ == lineBytes) {
            lineOffset_ = 0;
            ++nextLine_;
        }
    }
    return delivered;
}

}  // namespace tarnscan
