#include "u_Colors.h"

TColorNumber DecodeColor(int32_t Value) {
    TColorNumber color;
    const auto bits = static_cast<uint32_t>(Value);
    if (Value < 0) {
        color.IsSystem = true;
        color.SystemIndex = static_cast<int>(bits & 0xFF);
        return color;
    }
    color.Red = static_cast<uint8_t>(bits & 0xFF);
    color.Green = static_cast<uint8_t>((bits >> 8) & 0xFF);
    color.Blue = static_cast<uint8_t>((bits >> 16) & 0xFF);
    return color;
}
