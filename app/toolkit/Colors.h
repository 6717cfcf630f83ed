#pragma once
// Windows colour values (COLORREF): 0x00BBGGRR, red in the low byte.
#include <QColor>
#include <cstdint>

namespace velmora {

inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kGreen = 0x00FF00;
inline constexpr std::uint32_t kRed = 0x0000FF;
inline constexpr std::uint32_t kBlack = 0x000000;

inline QColor colorFromColorref(std::uint32_t colorref) {
  return QColor(int(colorref & 0xFF), int((colorref >> 8) & 0xFF), int((colorref >> 16) & 0xFF));
}

inline std::uint32_t colorrefFromColor(const QColor& color) {
  return std::uint32_t(color.red()) | (std::uint32_t(color.green()) << 8) | (std::uint32_t(color.blue()) << 16);
}

}  // namespace velmora
