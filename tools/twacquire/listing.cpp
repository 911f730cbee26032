#include "tools/twacquire/listing.h"

#include <string>
#include <vector>

#include "tools/twain_capability.h"
#include "tools/twain_client.h"
#include "tools/twain_text.h"

namespace {

std::string Number(TW_UINT16 itemType, TW_UINT32 raw) {
    char text[32];
    if (itemType == TWTY_FIX32)
        std::snprintf(text, sizeof text, "%g", ItemAsNumber(itemType, raw));
    else if (itemType == TWTY_BOOL)
        return raw ? "TRUE" : "FALSE";
    else
        std::snprintf(text, sizeof text, "%.0f", ItemAsNumber(itemType, raw));
    return text;
}

std::string Hex(TW_UINT32 value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04lx", static_cast<unsigned long>(value));
    return text;
}

std::string FrameText(const TW_FRAME& frame) {
    char text[96];
    std::snprintf(text, sizeof text, "left %g, top %g, right %g, bottom %g",
                  Fix32ToDouble(frame.Left), Fix32ToDouble(frame.Top), Fix32ToDouble(frame.Right),
                  Fix32ToDouble(frame.Bottom));
    return text;
}

std::string Describe(TW_UINT16 cap, const CapabilityValue& value) {
    std::string text =
        std::string(ContainerName(value.ConType)) + " " + ItemTypeName(value.ItemType) + " ";
    auto item = [&](TW_UINT32 raw) {
        if (cap == CAP_SUPPORTEDCAPS)
            return std::string(CapabilityName(TW_UINT16(raw))) + " " + Hex(raw);
        return Number(value.ItemType, raw);
    };
    switch (value.ConType) {
    case TWON_ONEVALUE:
        if (value.ItemType == TWTY_FRAME) return text + FrameText(value.Frame);
        return text + item(value.Items.empty() ? 0 : value.Items[0]);
    case TWON_RANGE:
        return text + Number(value.ItemType, value.MinValue) + " to " +
               Number(value.ItemType, value.MaxValue) + " step " +
               Number(value.ItemType, value.StepSize) + ", current " +
               Number(value.ItemType, value.CurrentValue) + ", default " +
               Number(value.ItemType, value.DefaultValue);
    case TWON_ENUMERATION:
    case TWON_ARRAY: {
        text += "[";
        for (size_t i = 0; i < value.Items.size(); ++i) {
            if (i) text += ", ";
            text += item(value.Items[i]);
        }
        text += "]";
        if (value.ConType == TWON_ENUMERATION)
            text += " current #" + std::to_string(value.CurrentIndex) + ", default #" +
                    std::to_string(value.DefaultIndex);
        return text;
    }
    default:
        return text;
    }
}

std::string BufferSize(TW_UINT32 bytes) {
    return bytes == TWON_DONTCARE32 ? "any" : std::to_string(bytes);
}

void PrintQuery(CTwainClient& client, FILE* out, TW_UINT16 cap, TW_UINT16 msg, const char* label) {
    CapabilityValue value;
    TW_UINT16 rc = GetCapability(client, cap, msg, value);
    if (rc == TWRC_SUCCESS)
        std::fprintf(out, "    %-12s %s\n", label, Describe(cap, value).c_str());
    else
        std::fprintf(out, "    %-12s %s\n", label,
                     DescribeFailure(rc, client.SourceConditionCode()).c_str());
}

void PrintIdentity(const TW_IDENTITY& id, FILE* out) {
    std::fprintf(out, "Source: %s\n", id.ProductName);
    std::fprintf(out, "  Manufacturer:     %s\n", id.Manufacturer);
    std::fprintf(out, "  Product family:   %s\n", id.ProductFamily);
    std::fprintf(out, "  Version:          %u.%u \"%s\" (language %u, country %u)\n",
                 id.Version.MajorNum, id.Version.MinorNum, id.Version.Info, id.Version.Language,
                 id.Version.Country);
    std::fprintf(out, "  Protocol:         %u.%u\n", id.ProtocolMajor, id.ProtocolMinor);
    std::fprintf(out, "  Supported groups: 0x%lx\n",
                 static_cast<unsigned long>(id.SupportedGroups));
    std::fprintf(out, "  Id:               %lu\n", static_cast<unsigned long>(id.Id));
}

}  // namespace

void ListSource(CTwainClient& client, FILE* out) {
    PrintIdentity(client.SourceIdentity(), out);

    CapabilityValue supported;
    TW_UINT16 rc = GetCapability(client, CAP_SUPPORTEDCAPS, MSG_GET, supported);
    std::vector<TW_UINT16> caps;
    if (rc == TWRC_SUCCESS) {
        for (TW_UINT32 cap : supported.Items)
            caps.push_back(static_cast<TW_UINT16>(cap));
        std::fprintf(out, "Capabilities (%zu reported):\n", caps.size());
    } else {
        std::fprintf(out, "CAP_SUPPORTEDCAPS: %s\n",
                     DescribeFailure(rc, client.SourceConditionCode()).c_str());
        std::fprintf(out, "Capabilities (each one this program knows, asked in turn):\n");
        caps = {CAP_XFERCOUNT,       ICAP_COMPRESSION,   ICAP_PIXELTYPE,   ICAP_UNITS,
                ICAP_XFERMECH,       CAP_UICONTROLLABLE, ICAP_BRIGHTNESS,  ICAP_PHYSICALWIDTH,
                ICAP_PHYSICALHEIGHT, ICAP_XRESOLUTION,   ICAP_YRESOLUTION, ICAP_BITORDER,
                ICAP_PIXELFLAVOR,    ICAP_PLANARCHUNKY,  ICAP_THRESHOLD,   ICAP_BITDEPTH};
    }
    for (TW_UINT16 cap : caps) {
        std::fprintf(out, "  %s (%s)\n", CapabilityName(cap), Hex(cap).c_str());
        PrintQuery(client, out, cap, MSG_GET, "get");
        PrintQuery(client, out, cap, MSG_GETCURRENT, "current");
        PrintQuery(client, out, cap, MSG_GETDEFAULT, "default");
    }

    TW_SETUPMEMXFER setup{};
    rc = client.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    if (rc == TWRC_SUCCESS)
        std::fprintf(out, "Memory transfer buffers: minimum %s, maximum %s, preferred %s bytes\n",
                     BufferSize(setup.MinBufSize).c_str(), BufferSize(setup.MaxBufSize).c_str(),
                     BufferSize(setup.Preferred).c_str());
    else
        std::fprintf(out, "Memory transfer buffers: %s\n",
                     DescribeFailure(rc, client.SourceConditionCode()).c_str());

    TW_IMAGELAYOUT layout{};
    rc = client.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout);
    if (rc == TWRC_SUCCESS)
        std::fprintf(
            out, "Image layout: frame %g, %g to %g, %g inches; document %lu, page %lu, frame %lu\n",
            Fix32ToDouble(layout.Frame.Left), Fix32ToDouble(layout.Frame.Top),
            Fix32ToDouble(layout.Frame.Right), Fix32ToDouble(layout.Frame.Bottom),
            static_cast<unsigned long>(layout.DocumentNumber),
            static_cast<unsigned long>(layout.PageNumber),
            static_cast<unsigned long>(layout.FrameNumber));
    else
        std::fprintf(out, "Image layout: %s\n",
                     DescribeFailure(rc, client.SourceConditionCode()).c_str());
}
