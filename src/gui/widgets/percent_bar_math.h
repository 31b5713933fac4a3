// The arithmetic behind the progress bar, kept apart from the widget so it can
// be checked without a screen: the percentage, the text drawn on the bar, the
// corners of the filled area, the not-xor pen and the colour values hosts use.
#pragma once

#include <QtGui/qrgb.h>

#include <QPalette>
#include <QRect>
#include <QString>
#include <cstdint>

namespace vr::percent_bar {

// Direction the bar grows in; other numbers are stored but draw no bar.
inline constexpr std::int32_t kTopDown = 1;
inline constexpr std::int32_t kBottomUp = 2;
inline constexpr std::int32_t kLeftToRight = 3;
inline constexpr std::int32_t kRightToLeft = 4;

// floor(value / max * 100), computed in that order in double precision (29 of
// 100 is 28, as the quotient lands just under 0.29), then held to 0..100.
// A zero max gives 0.
int Percentage(std::int32_t value, std::int32_t max);

// "45%": plain decimal, no padding, no sign.
QString PercentText(int percent);

// The centred text: the caption, the percentage, both ("Scanning (45%)"), or
// nothing.
QString BarText(const QString& caption, bool show_percent, int percent);

// The two corners of the bar on a surface of `width` x `height` pixels, each
// coordinate rounded to the nearest whole pixel with halves to even.
struct BarCorners {
  int x1 = 0;
  int y1 = 0;
  int x2 = 0;
  int y2 = 0;
};
BarCorners CornersFor(std::int32_t orientation, int width, int height, int percent);

// The pixels the corners span: the near row and column filled, the far ones
// not, so 0 % covers nothing and 100 % exactly the surface.
QRect FillArea(const BarCorners& corners);

// One pixel under the not-xor pen: NOT (pen XOR pixel) over the 24 colour bits.
inline QRgb NotXor(QRgb pen, QRgb pixel) { return 0xFF000000u | (~(pen ^ pixel) & 0x00FFFFFFu); }

// Colours as hosts give them: 0x00BBGGRR, or with the high bit set the index
// of a system colour, taken from `palette`.
QRgb ToRgb(std::uint32_t color, const QPalette& palette);

// The same colour the other way round, for tests and hosts holding QColors.
std::uint32_t FromRgb(QRgb rgb);

}  // namespace vr::percent_bar
