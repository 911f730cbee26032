#include "engine/scan_window.h"

#include <limits>

#include "engine/models.h"

namespace {

// value x numerator / denominator, truncating toward zero, without 32-bit overflow.
int32_t Scale(int32_t value, int64_t numerator, int64_t denominator) {
    return static_cast<int32_t>(static_cast<int64_t>(value) * numerator / denominator);
}

}  // namespace

bool IsInterpolatedScan(const WindowDescriptorType& window, Model model) {
    return window.BitsPerPixel == 24 && IsInterpolatedResolution(model, window.YResolution);
}

bool WidensByThreeHalves(const WindowDescriptorType& window, Model model) {
    const float ratio = static_cast<float>(window.XResolution * 10.0 / NativeResolution(model));
    return ratio < 19.0f;
}

int32_t WidenedResolution(const WindowDescriptorType& window, Model model) {
    const int32_t native = NativeResolution(model);
    return WidensByThreeHalves(window, model) ? native * 3 / 2 : native * 2;
}

WindowDescriptorType DeviceWindow(const WindowDescriptorType& window, Model model) {
    WindowDescriptorType device = window;
    if (!IsInterpolatedScan(window, model)) return device;
    device.XResolution = NativeResolution(model);
    if (WidensByThreeHalves(window, model)) {
        device.XOffset = Scale(window.XOffset, 2, 3);
        device.ScanWidth = Scale(window.ScanWidth, 2, 3);
    } else {
        device.XOffset = window.XOffset / 2;
        device.ScanWidth = window.ScanWidth / 2;
    }
    return device;
}

int32_t InterpolatedScanWidth(const WindowDescriptorType& window, Model model) {
    if (window.BitsPerPixel != 24 || !IsInterpolatedScan(window, model)) return window.ScanWidth;
    const int64_t divisor = WidensByThreeHalves(window, model) ? 3 : 2;
    int64_t width = window.ScanWidth;
    const int64_t remainder = width % divisor;
    if (remainder > 0) width += divisor - remainder;
    if (remainder < 0) width -= remainder;
    return width <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(width)
                                                        : window.ScanWidth;
}
