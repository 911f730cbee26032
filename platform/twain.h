// TWAIN declarations for 32-bit and 64-bit Windows: the records, constants and
// entry points that the data source and its clients exchange. Records are packed
// on 2-byte boundaries, as TWAIN applications and Source Managers lay them out.
#pragma once

#include <windows.h>

#include <cstddef>

typedef HANDLE TW_HANDLE;
typedef LPVOID TW_MEMREF;

typedef char TW_STR32[34];
typedef char TW_STR64[66];
typedef char TW_STR128[130];
typedef char TW_STR255[256];

typedef char TW_INT8;
typedef short TW_INT16;
typedef long TW_INT32;
typedef unsigned char TW_UINT8;
typedef unsigned short TW_UINT16;
typedef unsigned long TW_UINT32;
typedef unsigned short TW_BOOL;

#pragma pack(push, 2)

typedef struct {
    TW_INT16 Whole;
    TW_UINT16 Frac;
} TW_FIX32, *pTW_FIX32;

typedef struct {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
} TW_VERSION;

typedef struct {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
} TW_IDENTITY, *pTW_IDENTITY;

typedef struct {
    TW_FIX32 Left;
    TW_FIX32 Top;
    TW_FIX32 Right;
    TW_FIX32 Bottom;
} TW_FRAME;

typedef struct {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
} TW_CAPABILITY, *pTW_CAPABILITY;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
} TW_ONEVALUE, *pTW_ONEVALUE;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
    TW_UINT8 ItemList[1];
} TW_ENUMERATION, *pTW_ENUMERATION;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT8 ItemList[1];
} TW_ARRAY, *pTW_ARRAY;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 MinValue;
    TW_UINT32 MaxValue;
    TW_UINT32 StepSize;
    TW_UINT32 DefaultValue;
    TW_UINT32 CurrentValue;
} TW_RANGE, *pTW_RANGE;

typedef struct {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
} TW_EVENT, *pTW_EVENT;

typedef struct {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
} TW_STATUS, *pTW_STATUS;

typedef struct {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
} TW_USERINTERFACE, *pTW_USERINTERFACE;

typedef struct {
    TW_UINT16 Count;
    TW_UINT32 Reserved;
} TW_PENDINGXFERS, *pTW_PENDINGXFERS;

typedef struct {
    TW_UINT32 MinBufSize;
    TW_UINT32 MaxBufSize;
    TW_UINT32 Preferred;
} TW_SETUPMEMXFER, *pTW_SETUPMEMXFER;

typedef struct {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
} TW_IMAGEINFO, *pTW_IMAGEINFO;

typedef struct {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber;
    TW_UINT32 PageNumber;
    TW_UINT32 FrameNumber;
} TW_IMAGELAYOUT, *pTW_IMAGELAYOUT;

typedef struct {
    TW_UINT32 Flags;
    TW_UINT32 Length;
    TW_MEMREF TheMem;
} TW_MEMORY, *pTW_MEMORY;

typedef struct {
    TW_UINT16 Compression;
    TW_UINT32 BytesPerRow;
    TW_UINT32 Columns;
    TW_UINT32 Rows;
    TW_UINT32 XOffset;
    TW_UINT32 YOffset;
    TW_UINT32 BytesWritten;
    TW_MEMORY Memory;
} TW_IMAGEMEMXFER, *pTW_IMAGEMEMXFER;

// DG_CONTROL/DAT_ENTRYPOINT: the Source Manager's entry and memory functions,
// handed to a TWAIN 2 source before it is opened.
typedef TW_UINT16(WINAPI* DSMENTRYPROC)(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16,
                                        TW_MEMREF);
typedef TW_HANDLE(WINAPI* DSM_MEMALLOCATE)(TW_UINT32 bytes);
typedef void(WINAPI* DSM_MEMFREE)(TW_HANDLE memory);
typedef TW_MEMREF(WINAPI* DSM_MEMLOCK)(TW_HANDLE memory);
typedef void(WINAPI* DSM_MEMUNLOCK)(TW_HANDLE memory);

typedef struct {
    TW_UINT32 Size;
    DSMENTRYPROC DSM_Entry;
    DSM_MEMALLOCATE DSM_MemAllocate;
    DSM_MEMFREE DSM_MemFree;
    DSM_MEMLOCK DSM_MemLock;
    DSM_MEMUNLOCK DSM_MemUnlock;
} TW_ENTRYPOINT, *pTW_ENTRYPOINT;

// DG_CONTROL/DAT_CUSTOMDSDATA: the source's settings as a block the application keeps.
typedef struct {
    TW_UINT32 InfoLength;
    TW_HANDLE hData;
} TW_CUSTOMDSDATA, *pTW_CUSTOMDSDATA;

// DG_CONTROL/DAT_STATUSUTF8: a condition code as text, in a block the source
// allocates and the application frees.
typedef struct {
    TW_STATUS Status;
    TW_UINT32 Size;  // bytes of the text, its terminating NUL included
    TW_HANDLE UTF8string;
} TW_STATUSUTF8, *pTW_STATUSUTF8;

typedef struct {
    TW_UINT8 Index;
    TW_UINT8 Channel1;
    TW_UINT8 Channel2;
    TW_UINT8 Channel3;
} TW_ELEMENT8;

typedef struct {
    TW_UINT16 NumColors;
    TW_UINT16 PaletteType;
    TW_ELEMENT8 Colors[256];
} TW_PALETTE8, *pTW_PALETTE8;

#pragma pack(pop)

static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY is 156 bytes");
#ifdef _WIN64
// Handles and pointers are 8 bytes; the 2-byte packing stays, as the standard's
// header lays the records out for 64-bit Windows.
static_assert(sizeof(TW_CAPABILITY) == 12, "TW_CAPABILITY is 12 bytes");
static_assert(sizeof(TW_EVENT) == 10, "TW_EVENT is 10 bytes");
static_assert(sizeof(TW_USERINTERFACE) == 12, "TW_USERINTERFACE is 12 bytes");
static_assert(sizeof(TW_IMAGEMEMXFER) == 42, "TW_IMAGEMEMXFER is 42 bytes");
#else
static_assert(sizeof(TW_CAPABILITY) == 8, "TW_CAPABILITY is 8 bytes");
static_assert(sizeof(TW_EVENT) == 6, "TW_EVENT is 6 bytes");
static_assert(sizeof(TW_USERINTERFACE) == 8, "TW_USERINTERFACE is 8 bytes");
static_assert(sizeof(TW_IMAGEMEMXFER) == 38, "TW_IMAGEMEMXFER is 38 bytes");
#endif
static_assert(sizeof(TW_ONEVALUE) == 6, "TW_ONEVALUE is 6 bytes");
static_assert(offsetof(TW_ENUMERATION, ItemList) == 14, "enumeration header is 14 bytes");
static_assert(offsetof(TW_ARRAY, ItemList) == 6, "array header is 6 bytes");
static_assert(sizeof(TW_RANGE) == 22, "TW_RANGE is 22 bytes");
static_assert(sizeof(TW_PENDINGXFERS) == 6, "TW_PENDINGXFERS is 6 bytes");
static_assert(sizeof(TW_IMAGEINFO) == 42, "TW_IMAGEINFO is 42 bytes");
static_assert(sizeof(TW_IMAGELAYOUT) == 28, "TW_IMAGELAYOUT is 28 bytes");
static_assert(sizeof(TW_PALETTE8) == 1028, "TW_PALETTE8 is 1028 bytes");
static_assert(sizeof(TW_ENTRYPOINT) == 4 + 5 * sizeof(void*), "TW_ENTRYPOINT layout");
static_assert(sizeof(TW_CUSTOMDSDATA) == 4 + sizeof(void*), "TW_CUSTOMDSDATA layout");
static_assert(sizeof(TW_STATUSUTF8) == 8 + sizeof(void*), "TW_STATUSUTF8 layout");

// Data groups, and the flags of SupportedGroups that tell TWAIN 2 parties apart
#define DG_CONTROL 0x0001UL
#define DG_IMAGE 0x0002UL
#define DF_DSM2 0x10000000UL
#define DF_APP2 0x20000000UL
#define DF_DS2 0x40000000UL

// Data argument types
#define DAT_NULL 0x0000
#define DAT_CAPABILITY 0x0001
#define DAT_EVENT 0x0002
#define DAT_IDENTITY 0x0003
#define DAT_PARENT 0x0004
#define DAT_PENDINGXFERS 0x0005
#define DAT_SETUPMEMXFER 0x0006
#define DAT_SETUPFILEXFER 0x0007
#define DAT_STATUS 0x0008
#define DAT_USERINTERFACE 0x0009
#define DAT_XFERGROUP 0x000a
#define DAT_CUSTOMDSDATA 0x000c
#define DAT_STATUSUTF8 0x0011
#define DAT_ENTRYPOINT 0x0403
#define DAT_IMAGEINFO 0x0101
#define DAT_IMAGELAYOUT 0x0102
#define DAT_IMAGEMEMXFER 0x0103
#define DAT_IMAGENATIVEXFER 0x0104
#define DAT_IMAGEFILEXFER 0x0105
#define DAT_PALETTE8 0x010a

// Messages
#define MSG_NULL 0x0000
#define MSG_GET 0x0001
#define MSG_GETCURRENT 0x0002
#define MSG_GETDEFAULT 0x0003
#define MSG_GETFIRST 0x0004
#define MSG_GETNEXT 0x0005
#define MSG_SET 0x0006
#define MSG_RESET 0x0007
#define MSG_QUERYSUPPORT 0x0008
#define MSG_XFERREADY 0x0101
#define MSG_CLOSEDSREQ 0x0102
#define MSG_CLOSEDSOK 0x0103
#define MSG_OPENDSM 0x0301
#define MSG_CLOSEDSM 0x0302
#define MSG_OPENDS 0x0401
#define MSG_CLOSEDS 0x0402
#define MSG_USERSELECT 0x0403
#define MSG_DISABLEDS 0x0501
#define MSG_ENABLEDS 0x0502
#define MSG_ENABLEDSUIONLY 0x0503
#define MSG_PROCESSEVENT 0x0601
#define MSG_ENDXFER 0x0701
#define MSG_STOPFEEDER 0x0702
#define MSG_RESETALL 0x0a01

// Return codes
#define TWRC_SUCCESS 0
#define TWRC_FAILURE 1
#define TWRC_CHECKSTATUS 2
#define TWRC_CANCEL 3
#define TWRC_DSEVENT 4
#define TWRC_NOTDSEVENT 5
#define TWRC_XFERDONE 6
#define TWRC_ENDOFLIST 7

// Condition codes
#define TWCC_SUCCESS 0
#define TWCC_BUMMER 1
#define TWCC_LOWMEMORY 2
#define TWCC_NODS 3
#define TWCC_MAXCONNECTIONS 4
#define TWCC_OPERATIONERROR 5
#define TWCC_BADCAP 6
#define TWCC_BADPROTOCOL 9
#define TWCC_BADVALUE 10
#define TWCC_SEQERROR 11
#define TWCC_BADDEST 12
#define TWCC_CAPUNSUPPORTED 13
#define TWCC_CAPBADOPERATION 14
#define TWCC_CAPSEQERROR 15
#define TWCC_DENIED 16
#define TWCC_FILEEXISTS 17
#define TWCC_FILENOTFOUND 18
#define TWCC_NOTEMPTY 19
#define TWCC_PAPERJAM 20
#define TWCC_PAPERDOUBLEFEED 21
#define TWCC_FILEWRITEERROR 22
#define TWCC_CHECKDEVICEONLINE 23
#define TWCC_INTERLOCK 24
#define TWCC_DAMAGEDCORNER 25
#define TWCC_FOCUSERROR 26
#define TWCC_DOCTOOLIGHT 27
#define TWCC_DOCTOODARK 28
#define TWCC_NOMEDIA 29

// Container types
#define TWON_ARRAY 3
#define TWON_ENUMERATION 4
#define TWON_ONEVALUE 5
#define TWON_RANGE 6
#define TWON_DONTCARE8 0xff
#define TWON_DONTCARE16 0xffff
#define TWON_DONTCARE32 0xffffffffUL

// Item types
#define TWTY_INT8 0x0000
#define TWTY_INT16 0x0001
#define TWTY_INT32 0x0002
#define TWTY_UINT8 0x0003
#define TWTY_UINT16 0x0004
#define TWTY_UINT32 0x0005
#define TWTY_BOOL 0x0006
#define TWTY_FIX32 0x0007
#define TWTY_FRAME 0x0008
#define TWTY_STR32 0x0009
#define TWTY_STR64 0x000a
#define TWTY_STR128 0x000b
#define TWTY_STR255 0x000c

// Capabilities
#define CAP_XFERCOUNT 0x0001
#define ICAP_COMPRESSION 0x0100
#define ICAP_PIXELTYPE 0x0101
#define ICAP_UNITS 0x0102
#define ICAP_XFERMECH 0x0103
#define CAP_FEEDERENABLED 0x1002
#define CAP_FEEDERLOADED 0x1003
#define CAP_SUPPORTEDCAPS 0x1005
#define CAP_INDICATORS 0x100b
#define CAP_PAPERDETECTABLE 0x100d
#define CAP_UICONTROLLABLE 0x100e
#define CAP_DEVICEONLINE 0x100f
#define CAP_ENABLEDSUIONLY 0x1014
#define CAP_CUSTOMDSDATA 0x1015
#define CAP_SUPPORTEDDATS 0x103e
#define ICAP_BRIGHTNESS 0x1101
#define ICAP_PHYSICALWIDTH 0x1111
#define ICAP_PHYSICALHEIGHT 0x1112
#define ICAP_FRAMES 0x1114
#define ICAP_XNATIVERESOLUTION 0x1116
#define ICAP_YNATIVERESOLUTION 0x1117
#define ICAP_XRESOLUTION 0x1118
#define ICAP_YRESOLUTION 0x1119
#define ICAP_MAXFRAMES 0x111a
#define ICAP_BITORDER 0x111c
#define ICAP_PIXELFLAVOR 0x111f
#define ICAP_PLANARCHUNKY 0x1120
#define ICAP_SUPPORTEDSIZES 0x1122
#define ICAP_THRESHOLD 0x1123
#define ICAP_BITDEPTH 0x112b
#define ICAP_UNDEFINEDIMAGESIZE 0x112d
#define ICAP_AUTOMATICLENGTHDETECTION 0x1158

// Capability values
#define TWPT_BW 0
#define TWPT_GRAY 1
#define TWPT_RGB 2
#define TWPT_PALETTE 3
#define TWSX_NATIVE 0
#define TWSX_FILE 1
#define TWSX_MEMORY 2
#define TWUN_INCHES 0
#define TWUN_CENTIMETERS 1
#define TWBO_LSBFIRST 0
#define TWBO_MSBFIRST 1
#define TWPF_CHOCOLATE 0
#define TWPF_VANILLA 1
#define TWPC_CHUNKY 0
// ICAP_SUPPORTEDSIZES: the ISO A and US paper sizes
#define TWSS_NONE 0
#define TWSS_A4 1
#define TWSS_USLETTER 3
#define TWSS_USLEGAL 4
#define TWSS_A5 5
#define TWSS_USLEDGER 9
#define TWSS_USEXECUTIVE 10
#define TWSS_A3 11
#define TWSS_A6 13
#define TWSS_4A0 17
#define TWSS_2A0 18
#define TWSS_A0 19
#define TWSS_A1 20
#define TWSS_A2 21
#define TWSS_A7 22
#define TWSS_A8 23
#define TWSS_A9 24
#define TWSS_A10 25
#define TWSS_USSTATEMENT 52
#define TWCP_NONE 0
#define TWLG_ENGLISH 2
#define TWCY_UNITEDKINGDOM 44

// MSG_QUERYSUPPORT: the messages a capability answers
#define TWQC_GET 0x0001
#define TWQC_SET 0x0002
#define TWQC_GETDEFAULT 0x0004
#define TWQC_GETCURRENT 0x0008
#define TWQC_RESET 0x0010
#define TWQC_GETHELP 0x0100
#define TWQC_GETLABEL 0x0200
#define TWQC_GETLABELENUM 0x0400

// Memory flags of TW_MEMORY
#define TWMF_APPOWNS 0x0001
#define TWMF_DSMOWNS 0x0002
#define TWMF_DSOWNS 0x0004
#define TWMF_POINTER 0x0008
#define TWMF_HANDLE 0x0010

typedef TW_UINT16(WINAPI* DSENTRYPROC)(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);
