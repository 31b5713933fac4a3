#include "imaging/ops/colour_transform.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace vr {
namespace {

constexpr cmsUInt32Number kRgbFlags = cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_COPY_ALPHA;
constexpr cmsUInt32Number kFlags = cmsFLAGS_BLACKPOINTCOMPENSATION;
// Enough for the profiles of a mixed batch; one more throws the oldest out.
constexpr std::size_t kMaxCached = 8;

// What a cache entry turns into sRGB.
enum class Use { kRgb, kGray, kCmyk, kCmykInverted, kLab };

void Silently(cmsContext, cmsUInt32Number, const char*) {}

struct ProfileCloser {
  void operator()(void* profile) const {
    if (profile != nullptr) cmsCloseProfile(profile);
  }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

// PNG's numbers are hundred-thousandths.
double Fixed(std::uint32_t value) { return value / 100000.0; }

bool Near(std::uint32_t value, std::uint32_t target, std::uint32_t tolerance) {
  return value + tolerance >= target && value <= target + tolerance;
}

// sRGB's white and primaries as PNG writes them in cHRM.
constexpr std::array<std::uint32_t, 8> kSrgbChromaticities = {31270, 32900, 64000, 33000,
                                                              30000, 60000, 15000, 6000};

// gAMA 1/2.2 and cHRM of sRGB (each where given), as many programs write
// beside or instead of an sRGB chunk: libpng and the browsers take them as
// sRGB, and so does this, so such files stay exactly as they were.
bool PngChunksMeanSrgb(const SourceColour& c) {
  if (c.gamma && !Near(*c.gamma, 45455, 500)) return false;
  if (c.chromaticities)
    for (std::size_t i = 0; i < 8; ++i)
      if (!Near((*c.chromaticities)[i], kSrgbChromaticities[i], 1000)) return false;
  return true;
}

}  // namespace

struct ColourTransforms::Impl {
  struct Entry {
    Use use = Use::kRgb;
    bool synthetic = false;         // made from PNG chunks, keyed by their values
    std::vector<std::uint8_t> key;  // the profile's bytes, or the chunks' values
    cmsHTRANSFORM transform = nullptr;
    bool usable = false;
    bool identity = false;                     // every colour stays within 1: skipped
    std::array<std::uint8_t, 256 * 3> grey{};  // kGray: each grey's sRGB colour
    std::vector<std::uint8_t> embed;           // kRgb: the profile a kept thumbnail carries
  };

  cmsContext context = nullptr;
  cmsHPROFILE srgb = nullptr;
  std::vector<std::unique_ptr<Entry>> entries;  // oldest first

  ~Impl() {
    for (const auto& entry : entries)
      if (entry->transform != nullptr) cmsDeleteTransform(entry->transform);
    if (srgb != nullptr) cmsCloseProfile(srgb);
    if (context != nullptr) cmsDeleteContext(context);
  }

  bool Start() {
    if (srgb != nullptr) return true;
    if (context == nullptr) {
      context = cmsCreateContext(nullptr, nullptr);
      if (context == nullptr) return false;
      cmsSetLogErrorHandlerTHR(context, &Silently);
    }
    srgb = cmsCreate_sRGBProfileTHR(context);
    return srgb != nullptr;
  }

  Entry* Find(Use use, bool synthetic, std::span<const std::uint8_t> key) {
    for (const auto& entry : entries)
      if (entry->use == use && entry->synthetic == synthetic && std::ranges::equal(entry->key, key))
        return entry.get();
    return nullptr;
  }

  Entry& Add(Use use, bool synthetic, std::span<const std::uint8_t> key) {
    if (entries.size() >= kMaxCached) {
      if (entries.front()->transform != nullptr) cmsDeleteTransform(entries.front()->transform);
      entries.erase(entries.begin());
    }
    auto entry = std::make_unique<Entry>();
    entry->use = use;
    entry->synthetic = synthetic;
    entry->key.assign(key.begin(), key.end());
    entries.push_back(std::move(entry));
    return *entries.back();
  }

  // The profile's own bytes: as many as its header says. A header that
  // claims more than there is marks a truncated profile, which lcms would
  // read anyway as far as its tags reach; it is refused instead. Bytes
  // beyond the claimed size (padding in a container) are left out.
  static std::span<const std::uint8_t> Declared(std::span<const std::uint8_t> icc) {
    if (icc.size() < 128) return {};
    const std::size_t size =
        std::size_t{icc[0]} << 24 | std::size_t{icc[1]} << 16 | std::size_t{icc[2]} << 8 | icc[3];
    if (size < 128 || size > icc.size() || size > kMaxIccProfileBytes) return {};
    return icc.first(size);
  }

  Profile Open(std::span<const std::uint8_t> icc) const {
    if (icc.empty()) return nullptr;
    Profile profile(cmsOpenProfileFromMemTHR(context, icc.data(), static_cast<cmsUInt32Number>(icc.size())));
    if (!profile) return nullptr;
    // A device link or an abstract profile describes no picture's colours.
    const cmsProfileClassSignature kind = cmsGetDeviceClass(profile.get());
    if (kind == cmsSigLinkClass || kind == cmsSigAbstractClass || kind == cmsSigNamedColorClass)
      return nullptr;
    return profile;
  }

  // Builds an entry's transform from `profile` (which must suit its use).
  void Build(Entry& entry, cmsHPROFILE profile) {
    switch (entry.use) {
      case Use::kRgb: {
        if (cmsGetColorSpace(profile) != cmsSigRgbData) return;
        entry.transform = cmsCreateTransformTHR(context, profile, TYPE_RGBA_8, srgb, TYPE_RGBA_8,
                                                INTENT_PERCEPTUAL, kRgbFlags);
        if (entry.transform == nullptr) return;
        entry.usable = true;
        entry.identity = IsIdentity(entry.transform);
        return;
      }
      case Use::kGray: {
        if (cmsGetColorSpace(profile) != cmsSigGrayData) return;
        cmsHTRANSFORM transform =
            cmsCreateTransformTHR(context, profile, TYPE_GRAY_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, kFlags);
        if (transform == nullptr) return;
        std::array<std::uint8_t, 256> greys;
        for (int v = 0; v < 256; ++v) greys[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(v);
        cmsDoTransform(transform, greys.data(), entry.grey.data(), 256);
        cmsDeleteTransform(transform);
        entry.usable = true;
        entry.identity = true;
        for (int v = 0; v < 256 * 3; ++v)
          if (std::abs(entry.grey[static_cast<std::size_t>(v)] - v / 3) > 1) entry.identity = false;
        return;
      }
      case Use::kCmyk:
      case Use::kCmykInverted:
        if (cmsGetColorSpace(profile) != cmsSigCmykData) return;
        entry.transform =
            cmsCreateTransformTHR(context, profile, entry.use == Use::kCmyk ? TYPE_CMYK_8 : TYPE_CMYK_8_REV,
                                  srgb, TYPE_RGBA_8, INTENT_PERCEPTUAL, kFlags);
        entry.usable = entry.transform != nullptr;
        return;
      case Use::kLab:
        entry.transform = cmsCreateTransformTHR(context, profile, TYPE_Lab_FLT, srgb, TYPE_RGBA_8,
                                                INTENT_PERCEPTUAL, kFlags);
        entry.usable = entry.transform != nullptr;
        return;
    }
  }

  // Whether the transform leaves every colour of a 16-step cube and every
  // grey within 1 of itself, as a profile of sRGB does.
  static bool IsIdentity(cmsHTRANSFORM transform) {
    std::vector<std::uint8_t> in;
    in.reserve((16 * 16 * 16 + 256) * 4);
    for (int r = 0; r < 16; ++r)
      for (int g = 0; g < 16; ++g)
        for (int b = 0; b < 16; ++b)
          in.insert(in.end(), {static_cast<std::uint8_t>(r * 17), static_cast<std::uint8_t>(g * 17),
                               static_cast<std::uint8_t>(b * 17), 255});
    for (int v = 0; v < 256; ++v) {
      const auto grey = static_cast<std::uint8_t>(v);
      in.insert(in.end(), {grey, grey, grey, 255});
    }
    std::vector<std::uint8_t> out(in.size());
    cmsDoTransform(transform, in.data(), out.data(), static_cast<cmsUInt32Number>(in.size() / 4));
    for (std::size_t i = 0; i < in.size(); ++i)
      if (std::abs(int{in[i]} - int{out[i]}) > 1) return false;
    return true;
  }

  // The entry for an embedded profile, built on first use.
  Entry* ForProfile(Use use, std::span<const std::uint8_t> icc) {
    if (!Start()) return nullptr;
    if (Entry* known = Find(use, false, icc)) return known;
    Entry& entry = Add(use, false, icc);
    const std::span<const std::uint8_t> declared = Declared(icc);
    if (Profile profile = Open(declared)) {
      Build(entry, profile.get());
      if (entry.usable && use == Use::kRgb) entry.embed.assign(declared.begin(), declared.end());
    }
    return &entry;
  }

  // The entry for PNG's gAMA and cHRM: a profile made from them, the missing
  // one taken from sRGB.
  Entry* ForPngChunks(Use use, const SourceColour& c) {
    if (!Start()) return nullptr;
    std::vector<std::uint8_t> key(9 * 4, 0);
    const std::uint32_t gamma = c.gamma.value_or(0);
    const std::array<std::uint32_t, 8> chrm = c.chromaticities.value_or(std::array<std::uint32_t, 8>{});
    std::memcpy(key.data(), &gamma, 4);
    std::memcpy(key.data() + 4, chrm.data(), 32);
    if (Entry* known = Find(use, true, key)) return known;
    Entry& entry = Add(use, true, key);

    cmsToneCurve* curve = nullptr;
    // Beyond 0.01..100 a gAMA is nonsense; libpng ignores such values too.
    if (c.gamma && *c.gamma >= 1000 && *c.gamma <= 10000000) {
      // PNG's gAMA is the encoding exponent: the samples decode with its inverse.
      const cmsFloat64Number exponent[1] = {1.0 / Fixed(*c.gamma)};
      curve = cmsBuildParametricToneCurve(context, 1, exponent);
    } else {
      const cmsFloat64Number srgb_curve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
      curve = cmsBuildParametricToneCurve(context, 4, srgb_curve);
    }
    if (curve == nullptr) return &entry;
    const std::array<std::uint32_t, 8>& v = c.chromaticities ? *c.chromaticities : kSrgbChromaticities;
    const cmsCIExyY white = {Fixed(v[0]), Fixed(v[1]), 1.0};
    Profile profile;
    if (use == Use::kGray) {
      profile.reset(cmsCreateGrayProfileTHR(context, &white, curve));
    } else {
      const cmsCIExyYTRIPLE primaries = {
          {Fixed(v[2]), Fixed(v[3]), 1.0}, {Fixed(v[4]), Fixed(v[5]), 1.0}, {Fixed(v[6]), Fixed(v[7]), 1.0}};
      cmsToneCurve* curves[3] = {curve, curve, curve};
      // Impossible chromaticities (a y of 0) make no profile.
      bool sane = v[1] > 0;
      for (std::size_t i = 0; i < 8; ++i) sane = sane && v[i] > 0 && v[i] < 100000;
      if (sane) profile.reset(cmsCreateRGBProfileTHR(context, &white, &primaries, curves));
    }
    cmsFreeToneCurve(curve);
    if (!profile) return &entry;
    Build(entry, profile.get());
    if (entry.usable && use == Use::kRgb) {
      cmsUInt32Number size = 0;
      if (cmsSaveProfileToMem(profile.get(), nullptr, &size) && size > 0) {
        entry.embed.resize(size);
        if (!cmsSaveProfileToMem(profile.get(), entry.embed.data(), &size)) entry.embed.clear();
      }
    }
    return &entry;
  }
};

ColourTransforms::ColourTransforms() : impl_(std::make_unique<Impl>()) {}
ColourTransforms::~ColourTransforms() = default;
ColourTransforms::ColourTransforms(ColourTransforms&&) noexcept = default;
ColourTransforms& ColourTransforms::operator=(ColourTransforms&&) noexcept = default;

std::size_t ColourTransforms::cached() const { return impl_ ? impl_->entries.size() : 0; }

void ColourTransforms::Apply(const SourceColour& colour, ColourOutput output, Image& picture,
                             std::vector<std::uint8_t>& embed) {
  embed.clear();
  if (!impl_ || colour.converted || !colour.Tagged() || picture.empty()) return;
  // CMYK and L*a*b* are converted by their decoders, or not at all.
  if (colour.model != ColourModel::kRgb && colour.model != ColourModel::kGray) return;
  const Use use = colour.model == ColourModel::kGray ? Use::kGray : Use::kRgb;

  Impl::Entry* entry = nullptr;
  if (!colour.icc.empty()) entry = impl_->ForProfile(use, colour.icc);
  // PNG: an iCCP that cannot be used gives way to the other chunks; sRGB
  // comes before gAMA and cHRM.
  if (entry == nullptr || !entry->usable) {
    if (colour.srgb || (!colour.gamma && !colour.chromaticities) || PngChunksMeanSrgb(colour)) return;
    entry = impl_->ForPngChunks(use, colour);
  }
  if (entry == nullptr || !entry->usable) return;

  const std::size_t count = picture.pixels.size() / 4;
  std::uint8_t* p = picture.pixels.data();
  if (use == Use::kGray) {
    if (entry->identity) return;
    for (std::size_t i = 0; i < count; ++i, p += 4) {
      const std::uint8_t* rgb = entry->grey.data() + std::size_t{p[1]} * 3;
      p[0] = rgb[0];
      p[1] = rgb[1];
      p[2] = rgb[2];
    }
    return;
  }
  if (output == ColourOutput::kKeep) {
    embed = entry->embed;
    return;
  }
  if (entry->identity) return;
  // In place, every row at once: the picture has no padding.
  cmsDoTransform(entry->transform, p, p, static_cast<cmsUInt32Number>(count));
}

bool ColourTransforms::CmykToSrgb(std::span<const std::uint8_t> icc, bool inverted, const std::uint8_t* cmyk,
                                  std::size_t pixels, std::uint8_t* rgba) {
  if (!impl_ || icc.empty()) return false;
  Impl::Entry* entry = impl_->ForProfile(inverted ? Use::kCmykInverted : Use::kCmyk, icc);
  if (entry == nullptr || !entry->usable) return false;
  cmsDoTransform(entry->transform, cmyk, rgba, static_cast<cmsUInt32Number>(pixels));
  for (std::size_t i = 0; i < pixels; ++i) rgba[i * 4 + 3] = 255;
  return true;
}

bool ColourTransforms::LabToSrgb(const float* lab, std::size_t pixels, std::uint8_t* rgba) {
  if (!impl_ || !impl_->Start()) return false;
  static constexpr std::uint8_t kKey[] = {'L', 'a', 'b'};
  Impl::Entry* entry = impl_->Find(Use::kLab, true, kKey);
  if (entry == nullptr) {
    entry = &impl_->Add(Use::kLab, true, kKey);
    // The D50 white of ICC's connection space, which Photoshop's L*a*b*
    // TIFFs are relative to.
    if (Profile profile{cmsCreateLab4ProfileTHR(impl_->context, nullptr)})
      impl_->Build(*entry, profile.get());
  }
  if (!entry->usable) return false;
  cmsDoTransform(entry->transform, lab, rgba, static_cast<cmsUInt32Number>(pixels));
  return true;
}

}  // namespace vr
