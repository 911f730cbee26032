// twacquire: acquires one image through the TWAIN Source Manager, as any TWAIN 1.x
// application would, and streams it into one .tif, .png or .bmp file.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tools/twacquire/cancel.h"
#include "tools/twacquire/failure.h"
#include "tools/twacquire/listing.h"
#include "tools/twacquire/negotiation.h"
#include "tools/twacquire/options.h"
#include "tools/twacquire/output_job.h"
#include "tools/twacquire/transfers.h"
#include "tools/twain_capability.h"
#include "tools/twain_client.h"
#include "tools/twain_text.h"

namespace {

enum ExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2, ExitCancelled = 3 };

bool QueryImageInfo(CTwainClient& client, TW_IMAGEINFO& info) {
    info = TW_IMAGEINFO{};
    TW_UINT16 rc = client.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (rc != TWRC_SUCCESS) {
        ReportFailure(client, "DAT_IMAGEINFO", rc);
        return false;
    }
    const std::string length = info.ImageLength < 0 ? std::string("length until the sheet ends")
                                                    : std::to_string(info.ImageLength);
    std::fprintf(stderr, "image: %ld x %s pixels, %d bits, %s, %g x %g dpi\n",
                 static_cast<long>(info.ImageWidth), length.c_str(), info.BitsPerPixel,
                 PixelTypeName(info.PixelType), Fix32ToDouble(info.XResolution),
                 Fix32ToDouble(info.YResolution));
    return true;
}

TW_UINT32 MemoryBufferSize(CTwainClient& client, const AcquireOptions& options) {
    TW_SETUPMEMXFER setup{};
    TW_UINT16 rc = client.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    if (options.BufferSize) {
        if (rc == TWRC_SUCCESS && setup.MaxBufSize != TWON_DONTCARE32 &&
            *options.BufferSize > setup.MaxBufSize)
            ReportWarning("buffer of " + std::to_string(*options.BufferSize) +
                          " bytes is above the source's maximum of " +
                          std::to_string(setup.MaxBufSize));
        return *options.BufferSize;
    }
    if (rc == TWRC_SUCCESS && setup.Preferred != TWON_DONTCARE32 && setup.Preferred > 0)
        return setup.Preferred;
    return 64 * 1024;
}

// Ends the session in order from wherever it stands: the transfer ended (and any
// pending one reset), the source disabled and closed, the Source Manager closed. A
// refusal here is worth a warning, not a failure.
void EndSession(CTwainClient& client, bool transferPending) {
    TW_UINT16 rc;
    if (transferPending) {
        TW_UINT16 count = 0;
        if ((rc = client.EndTransfer(&count)) != TWRC_SUCCESS)
            ReportFailure(client, "MSG_ENDXFER", rc);
        else if (count != 0) {
            TW_PENDINGXFERS pending{};
            if ((rc = client.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending)) !=
                TWRC_SUCCESS)
                ReportFailure(client, "MSG_RESET", rc);
        }
    }
    if (client.SourceEnabled() && (rc = client.Disable()) != TWRC_SUCCESS)
        ReportFailure(client, "MSG_DISABLEDS", rc);
    if (client.SourceOpen() && (rc = client.CloseSource()) != TWRC_SUCCESS)
        ReportFailure(client, "MSG_CLOSEDS", rc, true);
    if (client.ManagerOpen() && (rc = client.CloseManager()) != TWRC_SUCCESS)
        ReportFailure(client, "MSG_CLOSEDSM", rc, true);
}

// A job that cannot go on: the file goes, the session ends in order.
int Abandon(CTwainClient& client, COutputJob& job, bool transferPending, int code) {
    job.Abandon();
    EndSession(client, transferPending);
    return code;
}

bool NegotiateJob(CTwainClient& client, const AcquireOptions& options) {
    if (!Negotiate(client, options)) return false;
    if (!options.TransferMechanism && !NegotiateAutomaticTransfer(client)) return false;
    return !options.AutoLength ||
           NegotiateAutomaticLength(client, CurrentTransferMechanism(client) == TWSX_MEMORY);
}

// The mechanism for this image: the one negotiated, except that an automatic choice
// made from the estimate goes by memory when the image turns out too large to hold.
TW_UINT16 MechanismFor(CTwainClient& client, const AcquireOptions& options,
                       const TW_IMAGEINFO& info) {
    const TW_UINT16 negotiated = CurrentTransferMechanism(client);
    if (!options.TransferMechanism && NativeTransferBytes(info) > NativeTransferLimit)
        return TWSX_MEMORY;
    return negotiated;
}

int Acquire(CTwainClient& client, const AcquireOptions& options) {
    COutputJob job(options);
    std::string error;
    if (!job.Create(error)) {
        ReportError(error);
        return Abandon(client, job, false, ExitFailure);
    }
    if (!NegotiateJob(client, options)) return Abandon(client, job, false, ExitFailure);

    TW_UINT16 rc = client.Enable(options.ShowUI);
    if (rc != TWRC_SUCCESS) {
        ReportFailure(client, "MSG_ENABLEDS", rc);
        return Abandon(client, job, false, ExitFailure);
    }
    if (options.ShowUI)
        std::fprintf(stderr, "waiting for the source's dialog: acquire or cancel there\n");
    const DWORD timeout =
        options.TimeoutSeconds > 0 ? static_cast<DWORD>(options.TimeoutSeconds * 1000) : INFINITE;
    const TW_UINT16 notification = client.WaitForNotification(timeout);
    if (notification == MSG_CLOSEDSREQ) {
        ReportError("cancelled at the source");
        return Abandon(client, job, false, ExitCancelled);
    }
    if (notification != MSG_XFERREADY) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", options.TimeoutSeconds);
        ReportError(std::string("the source announced no image within ") + seconds + " s");
        TW_UINT16 cc = client.SourceConditionCode();
        if (cc != TWCC_SUCCESS)
            ReportError("source's condition: " + DescribeFailure(TWRC_FAILURE, cc));
        return Abandon(client, job, false, ExitFailure);
    }

    TW_IMAGEINFO info;
    if (!QueryImageInfo(client, info)) return Abandon(client, job, true, ExitFailure);
    // With the sheet's end detected, the frame is the longest the image may be.
    const SheetEnd sheet{options.AutoLength, options.AutoLength ? FrameRows(client, info) : 0};
    const int64_t longest =
        sheet.Detected ? std::max<int64_t>(info.ImageLength, sheet.MaxRows) : info.ImageLength;
    if (!job.Accepts(info, longest, error)) {
        ReportError(error);
        return Abandon(client, job, true, ExitFailure);
    }
    const TW_UINT16 mechanism = MechanismFor(client, options, info);
    const bool memory = mechanism == TWSX_MEMORY;
    const TransferOutcome outcome =
        memory ? MemoryTransfer(client, info, MemoryBufferSize(client, options), sheet, job)
               : NativeTransfer(client, info, job);
    if (outcome.Cancelled) {
        ReportError("cancelled; " + job.Path() + " was not written");
        return Abandon(client, job, true, ExitCancelled);
    }
    if (!outcome.Ok) {
        if (outcome.Error.empty())
            ReportFailure(client, memory ? "DAT_IMAGEMEMXFER" : "DAT_IMAGENATIVEXFER",
                          outcome.ReturnCode);
        else
            ReportError(outcome.Error);
        return Abandon(client, job, true, ExitFailure);
    }
    EndSession(client, true);
    if (!job.Finish(error)) {
        ReportError(error);
        job.Abandon();
        return ExitFailure;
    }
    const double rate = outcome.Seconds > 0 ? outcome.Bytes / outcome.Seconds / 1e6 : 0;
    std::printf(
        "%s: %ld x %ld pixels, %d bits, %s; %llu bytes in %.3f s, %.1f MB/s (%s transfer)\n",
        job.Path().c_str(), static_cast<long>(outcome.Width), static_cast<long>(outcome.Height),
        outcome.BitsPerPixel, job.FormatName(), static_cast<unsigned long long>(outcome.Bytes),
        outcome.Seconds, rate, memory ? "memory" : "native");
    return ExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    // Under Wine the C runtime's text mode writes \r\n; keep lines as they are.
    _setmode(_fileno(stdout), _O_BINARY);
    // Progress must show while it happens, also when stderr is a pipe or a file.
    std::setvbuf(stderr, nullptr, _IONBF, 0);

    AcquireOptions options;
    std::string error;
    switch (ParseOptions(argc, argv, options, error)) {
    case ParseResult::Help:
        std::fputs(UsageText(), stdout);
        return ExitSuccess;
    case ParseResult::Error:
        ReportError(error);
        std::fputs(UsageText(), stderr);
        return ExitUsage;
    case ParseResult::Run:
        break;
    }

    WatchForCancel();
    CTwainClient client;
    client.UseManager(options.Manager);
    if (!options.Twain1) client.SpeakTwain2();
    TW_UINT16 rc = client.OpenManager();
    if (rc != TWRC_SUCCESS) {
        ReportFailure(client, "opening the Source Manager (" + options.Manager + ")", rc, true);
        return ExitFailure;
    }
    rc = client.OpenSource(options.Source.c_str());
    if (rc != TWRC_SUCCESS) {
        ReportFailure(client, "opening the source \"" + options.Source + "\"", rc, true);
        return ExitFailure;
    }
    if (options.List) {
        ListSource(client, stdout);
        return ExitSuccess;
    }
    return Acquire(client, options);
}
