#include "widgets/percent_bar_math.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"

namespace vr::percent_bar {

int Percentage(std::int32_t value, std::int32_t max) {
  if (max == 0) return 0;
  // Divide first, then scale: the order decides 29 -> 28.
  const double quotient = static_cast<double>(value) / static_cast<double>(max);
  const double scaled = std::floor(quotient * 100.0);
  // Clamped while still a double, so quotients far past 100 % cannot wrap.
  return static_cast<int>(std::clamp(scaled, 0.0, 100.0));
}

QString PercentText(int percent) { return QString::number(percent) + QLatin1Char('%'); }

QString BarText(const QString& caption, bool show_percent, int percent) {
  if (caption.isEmpty()) return show_percent ? PercentText(percent) : QString();
  if (!show_percent) return caption;
  return caption + QStringLiteral(" (") + QString::number(percent) + QStringLiteral("%)");
}

BarCorners CornersFor(std::int32_t orientation, int width, int height, int percent) {
  const double fraction = static_cast<double>(percent) / 100.0;
  const int across = std::max(0, RoundHalfEven(width * fraction));
  const int down = std::max(0, RoundHalfEven(height * fraction));
  switch (orientation) {
    case kTopDown:
      return {0, 0, width, down};
    case kBottomUp:
      return {0, height, width, std::max(0, RoundHalfEven(height - height * fraction))};
    case kLeftToRight:
      return {0, 0, across, height};
    case kRightToLeft:
      return {width, 0, std::max(0, RoundHalfEven(width - width * fraction)), height};
    default:
      return {};
  }
}

QRect FillArea(const BarCorners& corners) {
  const int left = std::min(corners.x1, corners.x2);
  const int top = std::min(corners.y1, corners.y2);
  const int right = std::max(corners.x1, corners.x2);
  const int bottom = std::max(corners.y1, corners.y2);
  return QRect(left, top, right - left, bottom - top);
}

namespace {

// The platform's system colour numbers, mapped onto the nearest palette role.
QPalette::ColorRole RoleFor(std::uint32_t index) {
  switch (index) {
    case 5:  // window background
      return QPalette::Base;
    case 8:  // window text
      return QPalette::Text;
    case 7:  // menu text
    case 9:  // caption text
      return QPalette::WindowText;
    case 13:
      return QPalette::Highlight;
    case 14:
      return QPalette::HighlightedText;
    case 16:  // button shadow
      return QPalette::Mid;
    case 17:  // grey text
      return QPalette::PlaceholderText;
    case 18:
      return QPalette::ButtonText;
    case 20:  // button highlight
      return QPalette::Light;
    case 21:  // dark shadow
      return QPalette::Shadow;
    case 22:  // light
      return QPalette::Midlight;
    case 23:
      return QPalette::ToolTipText;
    case 24:
      return QPalette::ToolTipBase;
    case 4:   // menu
    case 1:   // desktop
    case 12:  // application workspace
      return QPalette::Window;
    default:  // 15, the button face, and everything without a closer match
      return QPalette::Button;
  }
}

}  // namespace

QRgb ToRgb(std::uint32_t color, const QPalette& palette) {
  if (color & 0x80000000u) return palette.color(RoleFor(color & 0xFFu)).rgb() | 0xFF000000u;
  return qRgb(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
              static_cast<int>((color >> 16) & 0xFFu));
}

std::uint32_t FromRgb(QRgb rgb) {
  return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
         (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

}  // namespace vr::percent_bar
