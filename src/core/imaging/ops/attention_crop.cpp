#include "imaging/ops/attention_crop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace vr {
namespace {

struct Cells {
  int width = 0;
  int height = 0;
  int size = 1;  // picture pixels a cell spans, each way
  std::vector<std::uint8_t> rgb;
  const std::uint8_t* at(int x, int y) const {
    return rgb.data() +
           (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
  }
};

// The picture averaged over size x size blocks (the last row and column of
// blocks may be partial).
Cells AverageCells(const Image& picture) {
  Cells cells;
  cells.size = std::max(1, (std::max(picture.width, picture.height) + kAttentionSide - 1) / kAttentionSide);
  cells.width = (picture.width + cells.size - 1) / cells.size;
  cells.height = (picture.height + cells.size - 1) / cells.size;
  std::vector<std::uint32_t> sums(static_cast<std::size_t>(cells.width) *
                                  static_cast<std::size_t>(cells.height) * 4);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.row(y);
    std::uint32_t* line =
        sums.data() + static_cast<std::size_t>(y / cells.size) * static_cast<std::size_t>(cells.width) * 4;
    for (int x = 0; x < picture.width; ++x) {
      std::uint32_t* cell = line + static_cast<std::size_t>(x / cells.size) * 4;
      cell[0] += row[x * 4];
      cell[1] += row[x * 4 + 1];
      cell[2] += row[x * 4 + 2];
      cell[3] += 1;
    }
  }
  cells.rgb.resize(static_cast<std::size_t>(cells.width) * static_cast<std::size_t>(cells.height) * 3);
  for (std::size_t i = 0, j = 0; i < sums.size(); i += 4, j += 3) {
    const std::uint32_t n = std::max<std::uint32_t>(sums[i + 3], 1);
    for (int c = 0; c < 3; ++c)
      cells.rgb[j + static_cast<std::size_t>(c)] =
          static_cast<std::uint8_t>((sums[i + static_cast<std::size_t>(c)] + n / 2) / n);
  }
  return cells;
}

int Luma(const std::uint8_t* rgb) { return (77 * rgb[0] + 150 * rgb[1] + 29 * rgb[2]) >> 8; }

bool SkinTone(int r, int g, int b) {
  const int spread = std::max({r, g, b}) - std::min({r, g, b});
  return r > 95 && g > 40 && b > 20 && r - g >= 15 && g > b && spread >= 15;
}

double CellScore(const Cells& cells, int x, int y) {
  const std::uint8_t* here = cells.at(x, y);
  const int left = Luma(cells.at(std::max(x - 1, 0), y)),
            right = Luma(cells.at(std::min(x + 1, cells.width - 1), y));
  const int up = Luma(cells.at(x, std::max(y - 1, 0))),
            down = Luma(cells.at(x, std::min(y + 1, cells.height - 1)));
  const int edge = std::abs(right - left) + std::abs(down - up);
  const int r = here[0], g = here[1], b = here[2];
  const int saturation = std::max({r, g, b}) - std::min({r, g, b});
  return 2.0 * edge + saturation / 2.0 + (SkinTone(r, g, b) ? 96.0 : 0.0);
}

}  // namespace

SourceBox FindAttentionWindow(const Image& picture, double window_width, double window_height) {
  const double width = std::min(window_width, static_cast<double>(picture.width));
  const double height = std::min(window_height, static_cast<double>(picture.height));
  const SourceBox centred{(picture.width - width) / 2, (picture.height - height) / 2, width, height};
  if (picture.empty() || (width >= picture.width && height >= picture.height)) return centred;

  const Cells cells = AverageCells(picture);
  // A summed-area table of the scores, one row and column of zeros first.
  const int cw = cells.width, ch = cells.height;
  std::vector<double> table(static_cast<std::size_t>(cw + 1) * static_cast<std::size_t>(ch + 1), 0.0);
  const auto at = [&](int x, int y) -> double& {
    return table[static_cast<std::size_t>(y) * static_cast<std::size_t>(cw + 1) +
                 static_cast<std::size_t>(x)];
  };
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x)
      at(x + 1, y + 1) = CellScore(cells, x, y) + at(x, y + 1) + at(x + 1, y) - at(x, y);

  // The window in whole cells, and the cell origins it may take.
  const int wc = std::clamp(static_cast<int>(std::lround(width / cells.size)), 1, cw);
  const int hc = std::clamp(static_cast<int>(std::lround(height / cells.size)), 1, ch);
  const auto window_sum = [&](int x, int y) {
    return at(x + wc, y + hc) - at(x, y + hc) - at(x + wc, y) + at(x, y);
  };
  double best = 0;
  for (int y = 0; y + hc <= ch; ++y)
    for (int x = 0; x + wc <= cw; ++x) best = std::max(best, window_sum(x, y));

  const double centre_x = (cw - wc) / 2.0, centre_y = (ch - hc) / 2.0;
  double chosen_x = centre_x, chosen_y = centre_y, nearest = -1;
  for (int y = 0; y + hc <= ch; ++y)
    for (int x = 0; x + wc <= cw; ++x) {
      if (window_sum(x, y) < best * 0.98) continue;
      const double distance = std::hypot(x - centre_x, y - centre_y);
      if (nearest < 0 || distance < nearest) {
        nearest = distance;
        chosen_x = x;
        chosen_y = y;
      }
    }
  // Back to picture pixels: the cell window's centre is the window's centre.
  const double x = (chosen_x + wc / 2.0) * cells.size - width / 2;
  const double y = (chosen_y + hc / 2.0) * cells.size - height / 2;
  return {std::clamp(std::round(x), 0.0, picture.width - width),
          std::clamp(std::round(y), 0.0, picture.height - height), width, height};
}

}  // namespace vr
