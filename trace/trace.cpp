#include "trace/trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "twain/containers.h"
#include "twain/fix32.h"
#include "twain/names.h"

namespace trace {
namespace {

FILE* file = nullptr;

std::string TraceFileName() {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("DUNMERE_TRACE", value, sizeof value);
    if (length > 0 && length < sizeof value) return value;
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Brightmoor\\DUNMERE.DLL", "Trace File",
                     RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS)
        return value;
    return "";
}

// A container the source built or the application handed in, in short. Nothing is
// read beyond what the block's size allows.
std::string ContainerText(const TW_CAPABILITY& capability) {
    std::string text = std::string(CapabilityName(capability.Cap));
    if (!capability.hContainer) return text;
    const SIZE_T size = GlobalSize(capability.hContainer);
    const auto* bytes = static_cast<const unsigned char*>(GlobalLock(capability.hContainer));
    if (!bytes) return text;
    char detail[160] = {};
    const ContainerView view(capability.ConType, bytes, size);
    const TW_UINT16 itemType = view.ItemType();
    const TW_UINT32 value = view.Value32();
    if (size >= OneValueSize && capability.ConType == TWON_ONEVALUE)
        std::snprintf(detail, sizeof detail, " %s %s item=0x%lx", ContainerName(capability.ConType),
                      ItemTypeName(itemType), static_cast<unsigned long>(value));
    else if (size >= OneValueSize)
        std::snprintf(detail, sizeof detail, " %s %s count=%lu", ContainerName(capability.ConType),
                      ItemTypeName(itemType), static_cast<unsigned long>(value));
    GlobalUnlock(capability.hContainer);
    return text + detail;
}

// The fields of the record that matter for this triplet, read after the source
// answered it (so only records the source itself accepted are read).
std::string DataText(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (!data) return "";
    char text[200] = {};
    switch (dat) {
    case DAT_CAPABILITY:
        return " " + ContainerText(*static_cast<const TW_CAPABILITY*>(data));
    case DAT_IMAGELAYOUT: {
        const TW_FRAME& frame = static_cast<const TW_IMAGELAYOUT*>(data)->Frame;
        std::snprintf(text, sizeof text, " frame=(%g,%g)-(%g,%g)", Fix32ToDouble(frame.Left),
                      Fix32ToDouble(frame.Top), Fix32ToDouble(frame.Right),
                      Fix32ToDouble(frame.Bottom));
        break;
    }
    case DAT_IMAGEINFO: {
        const auto& info = *static_cast<const TW_IMAGEINFO*>(data);
        std::snprintf(text, sizeof text, " %ldx%ld %d bits pixeltype=%d %gx%g dpi",
                      static_cast<long>(info.ImageWidth), static_cast<long>(info.ImageLength),
                      info.BitsPerPixel, info.PixelType, Fix32ToDouble(info.XResolution),
                      Fix32ToDouble(info.YResolution));
        break;
    }
    case DAT_IMAGEMEMXFER: {
        const auto& block = *static_cast<const TW_IMAGEMEMXFER*>(data);
        std::snprintf(
            text, sizeof text,
            " buffer=%lu flags=0x%lx rows=%lu columns=%lu at (%lu,%lu) bytes=%lu",
            static_cast<unsigned long>(block.Memory.Length),
            static_cast<unsigned long>(block.Memory.Flags), static_cast<unsigned long>(block.Rows),
            static_cast<unsigned long>(block.Columns), static_cast<unsigned long>(block.XOffset),
            static_cast<unsigned long>(block.YOffset),
            static_cast<unsigned long>(block.BytesWritten));
        break;
    }
    case DAT_USERINTERFACE:
        std::snprintf(text, sizeof text, " ShowUI=%d",
                      static_cast<const TW_USERINTERFACE*>(data)->ShowUI);
        break;
    case DAT_PENDINGXFERS:
        std::snprintf(text, sizeof text, " Count=%d",
                      static_cast<const TW_PENDINGXFERS*>(data)->Count);
        break;
    case DAT_STATUS:
        std::snprintf(text, sizeof text, " %s",
                      ConditionCodeName(static_cast<const TW_STATUS*>(data)->ConditionCode));
        break;
    case DAT_IDENTITY:
        if (msg == MSG_GET || msg == MSG_OPENDS)
            std::snprintf(text, sizeof text, " \"%.32s\"",
                          static_cast<const TW_IDENTITY*>(data)->ProductName);
        break;
    default:
        break;
    }
    return text;
}

}  // namespace

void Start() {
    Stop();
    const std::string name = TraceFileName();
    if (!name.empty()) file = std::fopen(name.c_str(), "a");
}

void Stop() {
    if (file) std::fclose(file);
    file = nullptr;
}

bool Enabled() {
    return file != nullptr;
}

void Write(const char* format, ...) {
    if (!file) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::fprintf(file, "%02d:%02d:%02d.%03d ", now.wHour, now.wMinute, now.wSecond,
                 now.wMilliseconds);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
    std::fflush(file);
}

bool Device(bool result, const char* call) {
    if (file) Write("device %s -> %d", call, result ? 1 : 0);
    return result;
}

TripletLine::TripletLine(const TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                         TW_MEMREF data, int stateBefore)
    : origin_(origin ? origin->Id : 0),
      dg_(dg),
      dat_(dat),
      msg_(msg),
      data_(data),
      stateBefore_(stateBefore) {}

void TripletLine::Finish(TW_UINT16 rc, TW_UINT16 conditionCode, int stateAfter) const {
    const std::string data = rc == TWRC_FAILURE ? "" : DataText(dat_, msg_, data_);
    const std::string condition =
        rc == TWRC_FAILURE ? std::string(" ") + ConditionCodeName(conditionCode) : "";
    Write("origin=%lu %s/%s/%s%s -> %s%s state %d->%d", static_cast<unsigned long>(origin_),
          DataGroupName(dg_), DataArgumentName(dat_), MessageName(msg_), data.c_str(),
          ReturnCodeName(rc), condition.c_str(), stateBefore_, stateAfter);
}

}  // namespace trace
