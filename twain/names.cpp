#include "twain/names.h"

namespace {

struct CodeName {
    TW_UINT32 code;
    const char* name;
};

template <size_t N>
const char* Lookup(const CodeName (&table)[N], TW_UINT32 code, const char* unknown) {
    for (const CodeName& entry : table)
        if (entry.code == code) return entry.name;
    return unknown;
}

#define NAMED(code) \
    { code, #code }

const CodeName DataGroups[] = {NAMED(DG_CONTROL), NAMED(DG_IMAGE)};

const CodeName DataArguments[] = {
    NAMED(DAT_NULL),          NAMED(DAT_CAPABILITY),
    NAMED(DAT_EVENT),         NAMED(DAT_IDENTITY),
    NAMED(DAT_PARENT),        NAMED(DAT_PENDINGXFERS),
    NAMED(DAT_SETUPMEMXFER),  NAMED(DAT_SETUPFILEXFER),
    NAMED(DAT_STATUS),        NAMED(DAT_USERINTERFACE),
    NAMED(DAT_XFERGROUP),     NAMED(DAT_ENTRYPOINT),
    NAMED(DAT_IMAGEINFO),     NAMED(DAT_IMAGELAYOUT),
    NAMED(DAT_IMAGEMEMXFER),  NAMED(DAT_IMAGENATIVEXFER),
    NAMED(DAT_IMAGEFILEXFER), NAMED(DAT_PALETTE8),
    NAMED(DAT_CUSTOMDSDATA),  NAMED(DAT_STATUSUTF8),
};

const CodeName Messages[] = {
    NAMED(MSG_NULL),         NAMED(MSG_GET),       NAMED(MSG_GETCURRENT), NAMED(MSG_GETDEFAULT),
    NAMED(MSG_GETFIRST),     NAMED(MSG_GETNEXT),   NAMED(MSG_SET),        NAMED(MSG_RESET),
    NAMED(MSG_QUERYSUPPORT), NAMED(MSG_XFERREADY), NAMED(MSG_CLOSEDSREQ), NAMED(MSG_CLOSEDSOK),
    NAMED(MSG_OPENDSM),      NAMED(MSG_CLOSEDSM),  NAMED(MSG_OPENDS),     NAMED(MSG_CLOSEDS),
    NAMED(MSG_USERSELECT),   NAMED(MSG_DISABLEDS), NAMED(MSG_ENABLEDS),   NAMED(MSG_ENABLEDSUIONLY),
    NAMED(MSG_PROCESSEVENT), NAMED(MSG_ENDXFER),   NAMED(MSG_STOPFEEDER), NAMED(MSG_RESETALL),
};

const CodeName ReturnCodes[] = {
    NAMED(TWRC_SUCCESS), NAMED(TWRC_FAILURE),    NAMED(TWRC_CHECKSTATUS), NAMED(TWRC_CANCEL),
    NAMED(TWRC_DSEVENT), NAMED(TWRC_NOTDSEVENT), NAMED(TWRC_XFERDONE),    NAMED(TWRC_ENDOFLIST),
};

const CodeName ConditionCodes[] = {
    NAMED(TWCC_SUCCESS),         NAMED(TWCC_BUMMER),
    NAMED(TWCC_LOWMEMORY),       NAMED(TWCC_NODS),
    NAMED(TWCC_MAXCONNECTIONS),  NAMED(TWCC_OPERATIONERROR),
    NAMED(TWCC_BADCAP),          NAMED(TWCC_BADPROTOCOL),
    NAMED(TWCC_BADVALUE),        NAMED(TWCC_SEQERROR),
    NAMED(TWCC_BADDEST),         NAMED(TWCC_CAPUNSUPPORTED),
    NAMED(TWCC_CAPBADOPERATION), NAMED(TWCC_CAPSEQERROR),
    NAMED(TWCC_NOMEDIA),
};

const CodeName ConditionMeanings[] = {
    {TWCC_SUCCESS, "no condition reported"},
    {TWCC_BUMMER, "failure for an unknown reason"},
    {TWCC_LOWMEMORY, "not enough memory for the operation"},
    {TWCC_NODS, "no data source, or the scanner was not recognised"},
    {TWCC_MAXCONNECTIONS, "the source is already connected to another application"},
    {TWCC_OPERATIONERROR, "the source or the scanner failed the operation"},
    {TWCC_BADCAP, "unknown capability"},
    {TWCC_BADPROTOCOL, "the source does not support this operation"},
    {TWCC_BADVALUE, "a value was refused"},
    {TWCC_SEQERROR, "operation not allowed in the current state"},
    {TWCC_BADDEST, "unknown destination, or the notification was refused"},
    {TWCC_CAPUNSUPPORTED, "capability not supported"},
    {TWCC_CAPBADOPERATION, "operation not supported on this capability"},
    {TWCC_CAPSEQERROR, "capability depends on another one"},
    {TWCC_NOMEDIA, "no sheet was scanned: it ended before the first row"},
};

const CodeName Capabilities[] = {
    NAMED(CAP_XFERCOUNT),           NAMED(ICAP_COMPRESSION),
    NAMED(ICAP_PIXELTYPE),          NAMED(ICAP_UNITS),
    NAMED(ICAP_XFERMECH),           NAMED(CAP_SUPPORTEDCAPS),
    NAMED(CAP_UICONTROLLABLE),      NAMED(CAP_DEVICEONLINE),
    NAMED(ICAP_BRIGHTNESS),         NAMED(ICAP_PHYSICALWIDTH),
    NAMED(ICAP_PHYSICALHEIGHT),     NAMED(ICAP_XRESOLUTION),
    NAMED(ICAP_YRESOLUTION),        NAMED(ICAP_BITORDER),
    NAMED(ICAP_PIXELFLAVOR),        NAMED(ICAP_PLANARCHUNKY),
    NAMED(ICAP_THRESHOLD),          NAMED(ICAP_BITDEPTH),
    NAMED(CAP_SUPPORTEDDATS),       NAMED(CAP_INDICATORS),
    NAMED(CAP_ENABLEDSUIONLY),      NAMED(CAP_CUSTOMDSDATA),
    NAMED(CAP_PAPERDETECTABLE),     NAMED(ICAP_FRAMES),
    NAMED(ICAP_MAXFRAMES),          NAMED(ICAP_SUPPORTEDSIZES),
    NAMED(CAP_FEEDERENABLED),       NAMED(CAP_FEEDERLOADED),
    NAMED(ICAP_XNATIVERESOLUTION),  NAMED(ICAP_YNATIVERESOLUTION),
    NAMED(ICAP_UNDEFINEDIMAGESIZE), NAMED(ICAP_AUTOMATICLENGTHDETECTION),
};

const CodeName ItemTypes[] = {
    NAMED(TWTY_INT8),   NAMED(TWTY_INT16),  NAMED(TWTY_INT32), NAMED(TWTY_UINT8),
    NAMED(TWTY_UINT16), NAMED(TWTY_UINT32), NAMED(TWTY_BOOL),  NAMED(TWTY_FIX32),
    NAMED(TWTY_FRAME),  NAMED(TWTY_STR32),  NAMED(TWTY_STR64), NAMED(TWTY_STR128),
    NAMED(TWTY_STR255),
};

const CodeName Containers[] = {
    NAMED(TWON_ARRAY),
    NAMED(TWON_ENUMERATION),
    NAMED(TWON_ONEVALUE),
    NAMED(TWON_RANGE),
};

#undef NAMED

}  // namespace

const char* DataGroupName(TW_UINT32 dg) {
    return Lookup(DataGroups, dg, "unknown data group");
}
const char* DataArgumentName(TW_UINT16 dat) {
    return Lookup(DataArguments, dat, "unknown data argument type");
}
const char* MessageName(TW_UINT16 msg) {
    return Lookup(Messages, msg, "unknown message");
}
const char* ReturnCodeName(TW_UINT16 rc) {
    return Lookup(ReturnCodes, rc, "unknown return code");
}
const char* ConditionCodeName(TW_UINT16 cc) {
    return Lookup(ConditionCodes, cc, "unknown condition code");
}
const char* CapabilityName(TW_UINT16 cap) {
    return Lookup(Capabilities, cap, "unknown capability");
}
const char* ItemTypeName(TW_UINT16 itemType) {
    return Lookup(ItemTypes, itemType, "unknown item type");
}
const char* ContainerName(TW_UINT16 conType) {
    return Lookup(Containers, conType, "unknown container");
}
const char* ConditionMeaning(TW_UINT16 cc) {
    return Lookup(ConditionMeanings, cc, nullptr);
}
