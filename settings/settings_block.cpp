#include "settings/settings_block.h"

#include <cstring>
#include <string>

namespace {

constexpr char Signature[4] = {'D', 'N', 'M', 'S'};
constexpr uint32_t Version = 1;
constexpr size_t HeaderBytes = 12;  // signature, version, length
constexpr size_t MaxPaletteName = 255;

constexpr size_t WindowFieldCount = sizeof WindowFields / sizeof WindowFields[0];
// After the window: auto palette, palette colours, centre justified, speed, white
// point R G B, black point R G B, gamma's bits, transfer mechanism, indicators and
// the palette name's length; then the palette name's bytes.
constexpr size_t OtherFieldCount = 14;
constexpr size_t FixedBytes = HeaderBytes + 4 * (WindowFieldCount + OtherFieldCount);

class Writer {
public:
    void Put(uint32_t value) {
        uint8_t bytes[4];
        std::memcpy(bytes, &value, 4);
        out_.insert(out_.end(), bytes, bytes + 4);
    }
    void Put(const void* bytes, size_t count) {
        const auto* first = static_cast<const uint8_t*>(bytes);
        out_.insert(out_.end(), first, first + count);
    }
    std::vector<uint8_t> Take() { return std::move(out_); }

private:
    std::vector<uint8_t> out_;
};

// Reads the fixed fields in order; each Next() is checked against a bound.
class Reader {
public:
    explicit Reader(const uint8_t* bytes) : at_(bytes) {}
    uint32_t Next() {
        uint32_t value;
        std::memcpy(&value, at_, 4);
        at_ += 4;
        return value;
    }
    bool NextByte(uint8_t& value) {
        const uint32_t whole = Next();
        value = static_cast<uint8_t>(whole);
        return whole <= 0xFF;
    }
    bool NextFlag(bool& value) {
        const uint32_t whole = Next();
        value = whole == 1;
        return whole <= 1;
    }
    const uint8_t* Position() const { return at_; }

private:
    const uint8_t* at_;
};

}  // namespace

std::vector<uint8_t> EncodeSettingsBlock(const Negotiated& values) {
    const ScanSettings& s = values.Scan;
    const std::string palette = s.Palette.substr(0, MaxPaletteName);
    Writer out;
    out.Put(Signature, sizeof Signature);
    out.Put(Version);
    out.Put(static_cast<uint32_t>(FixedBytes + palette.size()));
    for (int32_t ScanSettings::*field : WindowFields)
        out.Put(static_cast<uint32_t>(s.*field));
    uint32_t gammaBits;
    std::memcpy(&gammaBits, &s.Gamma, 4);
    for (uint32_t value :
         {uint32_t{s.AutoPalette}, static_cast<uint32_t>(s.PaletteColours),
          uint32_t{s.CenterJustified}, uint32_t{s.FractionalSpeed}, uint32_t{s.WhitePoint.R},
          uint32_t{s.WhitePoint.G}, uint32_t{s.WhitePoint.B}, uint32_t{s.BlackPoint.R},
          uint32_t{s.BlackPoint.G}, uint32_t{s.BlackPoint.B}, gammaBits,
          uint32_t{values.TransferMechanism}, uint32_t{values.Indicators ? 1u : 0u},
          static_cast<uint32_t>(palette.size())})
        out.Put(value);
    out.Put(palette.data(), palette.size());
    return out.Take();
}

bool DecodeSettingsBlock(const uint8_t* bytes, size_t length, Negotiated& values) {
    if (!bytes || length < FixedBytes) return false;
    if (std::memcmp(bytes, Signature, sizeof Signature) != 0) return false;
    Reader in(bytes + sizeof Signature);
    if (in.Next() != Version || in.Next() != length) return false;
    Negotiated read = values;
    ScanSettings& s = read.Scan;
    for (int32_t ScanSettings::*field : WindowFields)
        s.*field = static_cast<int32_t>(in.Next());
    bool autoPalette, centred;
    bool fits = in.NextFlag(autoPalette);
    s.AutoPalette = autoPalette ? 1 : 0;
    s.PaletteColours = static_cast<int32_t>(in.Next());
    fits = in.NextFlag(centred) && fits;
    s.CenterJustified = centred ? 1 : 0;
    fits = in.NextByte(s.FractionalSpeed) && fits;
    for (uint8_t* channel : {&s.WhitePoint.R, &s.WhitePoint.G, &s.WhitePoint.B, &s.BlackPoint.R,
                             &s.BlackPoint.G, &s.BlackPoint.B})
        fits = in.NextByte(*channel) && fits;
    const uint32_t gammaBits = in.Next();
    std::memcpy(&s.Gamma, &gammaBits, 4);
    const uint32_t mechanism = in.Next();
    read.TransferMechanism = static_cast<TW_UINT16>(mechanism);
    fits = mechanism <= 0xFFFF && in.NextFlag(read.Indicators) && fits;
    const uint32_t paletteLength = in.Next();
    if (!fits || paletteLength > MaxPaletteName || length != FixedBytes + paletteLength)
        return false;
    const char* name = reinterpret_cast<const char*>(in.Position());
    if (std::memchr(name, '\0', paletteLength)) return false;
    s.Palette.assign(name, paletteLength);
    values = read;
    return true;
}
