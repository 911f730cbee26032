// The scanner maker's device library: class CTarnScan and the records that cross
// its boundary. The data source links it by import and holds one CTarnScan by value.
#pragma once

#include <cstdint>

#ifdef TARNSCAN_BUILD
#define TARNSCAN_API __declspec(dllexport)
#else
#define TARNSCAN_API __declspec(dllimport)
#endif

// The scan window: 19 signed 32-bit fields. Offsets and sizes in pixels,
// resolutions in dots per inch.
struct WindowDescriptorType {
    int32_t XResolution;
    int32_t YResolution;
    int32_t XOffset;
    int32_t YOffset;
    int32_t ScanWidth;
    int32_t ScanLength;
    int32_t Brightness;
    int32_t Threshold;
    int32_t ImageComposition;
    int32_t BitsPerPixel;
    int32_t Flage;
    int32_t CompressionType;
    int32_t Filter;
    int32_t WhiteValue;
    int32_t InitialThreshold;
    int32_t ScalingFactor;
    int32_t Direction;
    int32_t Termination;
    int32_t ScaleMode;
};
static_assert(sizeof(WindowDescriptorType) == 76, "the window descriptor is 19 32-bit fields");

// The image compositions a window asks for. The field may hold other values, which
// name no composition.
enum class Composition : int32_t {
    Bilevel = 0,
    Greyscale = 2,
    PaletteColour = 3,
    RgbColour = 5,
};
inline Composition CompositionOf(const WindowDescriptorType& window) {
    return static_cast<Composition>(window.ImageComposition);
}
inline void SetComposition(WindowDescriptorType& window, Composition composition) {
    window.ImageComposition = static_cast<int32_t>(composition);
}

// Filled by Open; laid out like SCSI inquiry data. The model name starts at
// byte 16, padded with blanks.
struct DeviceInfoType {
    uint8_t PeripheralType;
    uint8_t Removable;
    uint8_t Version;
    uint8_t ResponseFormat;
    uint8_t AdditionalLength;
    uint8_t Reserved[3];
    char Vendor[8];
    char Model[16];
    char Revision[4];
    uint8_t VendorSpecific[60];
};
static_assert(sizeof(DeviceInfoType) == 96, "device information record");

struct DataTransferType {
    uint32_t BytesRequested;
    unsigned char* Buffer;
    uint32_t BytesDelivered;
};

enum ReadCompleteType {
    ReadComplete = 0,
    ReadEndOfScan = 1,
    ReadFailed = 2,
    ReadRetry = 3,
};

enum ObjectCommandType {
    ObjectEject = 0,
    ObjectRewind = 1,
};

struct AditionalSenseCodeType {
    uint8_t SenseKey;
    uint8_t Code;
    uint8_t Qualifier;
};

class TARNSCAN_API CTarnScan {
public:
    CTarnScan();
    ~CTarnScan();
    CTarnScan(const CTarnScan&) = delete;
    CTarnScan& operator=(const CTarnScan&) = delete;

    bool Open(DeviceInfoType& info);
    bool UnitReady(AditionalSenseCodeType* sense);
    bool SetWindow(const WindowDescriptorType& window, unsigned char mode);
    bool SetFractionalSpeed(int speed);
    bool LoadTrcTable(unsigned char* table);
    bool LoadColorTranslationTable(unsigned char* table);
    bool StartScan();
    ReadCompleteType ReadData(DataTransferType* transfer);
    ReadCompleteType ReadInterpolatedData(DataTransferType* transfer, int targetResolution,
                                          int nativeResolution);
    bool StopScan();
    bool SetObjectPosition(ObjectCommandType command, int argument);

private:
    struct Device;
    Device* device_;
};
