#include "bench/transfer_runs.h"

#include <windows.h>

#include <memory>

#include "bench/memory_monitor.h"
#include "bench/timing.h"
#include "tools/twain_capability.h"
#include "tools/twain_client.h"
#include "tools/twain_text.h"

namespace {

std::string Failure(CTwainClient& client, const char* what, TW_UINT16 rc) {
    return std::string(what) + " failed: " + DescribeFailure(rc, client.SourceConditionCode());
}

// Enables without the dialog and waits for the image to be announced; fills the
// result's geometry from DAT_IMAGEINFO.
bool Announce(CTwainClient& client, RunResult& result) {
    TW_UINT16 rc = client.Enable(false);
    if (rc != TWRC_SUCCESS) {
        result.Error = Failure(client, "MSG_ENABLEDS", rc);
        return false;
    }
    if (client.WaitForNotification(10000) != MSG_XFERREADY) {
        result.Error = "no MSG_XFERREADY";
        client.Disable();
        return false;
    }
    TW_IMAGEINFO info{};
    rc = client.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (rc != TWRC_SUCCESS) {
        result.Error = Failure(client, "DAT_IMAGEINFO", rc);
        client.EndTransfer();
        client.Disable();
        return false;
    }
    result.Width = info.ImageWidth;
    result.Height = info.ImageLength;
    result.BitsPerPixel = info.BitsPerPixel;
    result.ImageBytes =
        (static_cast<uint64_t>(info.ImageWidth) * info.BitsPerPixel + 7) / 8 * info.ImageLength;
    return true;
}

void Finish(CTwainClient& client, RunResult& result) {
    TW_UINT16 rc = client.EndTransfer();
    if (rc != TWRC_SUCCESS && result.Error.empty())
        result.Error = Failure(client, "MSG_ENDXFER", rc);
    rc = client.Disable();
    if (rc != TWRC_SUCCESS && result.Error.empty())
        result.Error = Failure(client, "MSG_DISABLEDS", rc);
}

bool Set(CTwainClient& client, TW_UINT16 cap, TW_UINT16 type, TW_UINT32 value, std::string& error) {
    TW_UINT16 rc = SetOneValue(client, cap, type, value);
    if (rc == TWRC_SUCCESS) return true;
    error = std::string("setting ") + CapabilityName(cap) +
            " failed: " + DescribeFailure(rc, client.SourceConditionCode());
    return false;
}

}  // namespace

bool Negotiate(CTwainClient& client, const ScanSetup& setup, std::string& error) {
    if (!Set(client, ICAP_PIXELTYPE, TWTY_UINT16, setup.PixelType, error) ||
        !Set(client, ICAP_XRESOLUTION, TWTY_UINT16, setup.Resolution, error) ||
        !Set(client, ICAP_YRESOLUTION, TWTY_UINT16, setup.Resolution, error) ||
        !Set(client, ICAP_XFERMECH, TWTY_UINT16, setup.Mechanism, error))
        return false;
    TW_IMAGELAYOUT layout{};
    layout.Frame.Right.Whole = static_cast<TW_INT16>(setup.WidthInches);
    layout.Frame.Bottom.Whole = static_cast<TW_INT16>(setup.LengthInches);
    layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 1;
    TW_UINT16 rc = client.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    if (rc != TWRC_SUCCESS) {
        error =
            "DAT_IMAGELAYOUT MSG_SET failed: " + DescribeFailure(rc, client.SourceConditionCode());
        return false;
    }
    return true;
}

RunResult RunNative(CTwainClient& client, bool watchMemory) {
    RunResult result;
    if (!Announce(client, result)) return result;
    uintptr_t handleValue = 0;  // as wide as a handle
    TW_UINT16 rc;
    {
        std::unique_ptr<CMemoryMonitor> monitor(watchMemory ? new CMemoryMonitor : nullptr);
        const double start = Seconds();
        rc = client.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handleValue);
        result.Seconds = Seconds() - start;
        if (monitor) result.PeakAbove = monitor->Stop() - monitor->Baseline();
    }
    if (rc == TWRC_XFERDONE) {
        result.Ok = handleValue != 0;
        if (!result.Ok) result.Error = "no bitmap handle";
        GlobalFree(reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(handleValue)));
    } else {
        result.Error = Failure(client, "DAT_IMAGENATIVEXFER", rc);
    }
    Finish(client, result);
    return result;
}

RunResult RunMemory(CTwainClient& client, std::vector<unsigned char>& buffer, bool watchMemory) {
    RunResult result;
    if (!Announce(client, result)) return result;
    uint64_t delivered = 0;
    TW_UINT16 rc;
    {
        std::unique_ptr<CMemoryMonitor> monitor(watchMemory ? new CMemoryMonitor : nullptr);
        const double start = Seconds();
        do {
            TW_IMAGEMEMXFER block{};
            block.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
            block.Memory.Length = static_cast<TW_UINT32>(buffer.size());
            block.Memory.TheMem = buffer.data();
            rc = client.Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block);
            delivered += block.BytesWritten;
        } while (rc == TWRC_SUCCESS);
        result.Seconds = Seconds() - start;
        if (monitor) result.PeakAbove = monitor->Stop() - monitor->Baseline();
    }
    KeepAlive(buffer.data(), buffer.size());
    if (rc != TWRC_XFERDONE) {
        result.Error = Failure(client, "DAT_IMAGEMEMXFER", rc);
    } else if (delivered != result.ImageBytes) {
        result.Error = "delivered " + std::to_string(delivered) + " of " +
                       std::to_string(result.ImageBytes) + " bytes";
    } else {
        result.Ok = true;
    }
    Finish(client, result);
    return result;
}
