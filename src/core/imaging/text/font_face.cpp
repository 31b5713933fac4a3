#include "imaging/text/font_face.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <memory>
#include <mutex>

namespace vr {
namespace {

// fontconfig's own locking has had gaps across versions; matches are rare
// (one per font and thread), so they are simply taken one at a time.
std::mutex& FontconfigMutex() {
  static std::mutex mutex;
  return mutex;
}

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

// One thread's FreeType library with the faces it opened.
class ThreadFonts {
 public:
  ThreadFonts() { ready_ = FT_Init_FreeType(&library_) == 0; }
  ~ThreadFonts() {
    for (auto& [pattern, face] : faces_) FT_Done_Face(face);
    if (ready_) FT_Done_FreeType(library_);
  }
  ThreadFonts(const ThreadFonts&) = delete;
  ThreadFonts& operator=(const ThreadFonts&) = delete;

  Expected<FT_Face> Face(const std::string& pattern) {
    if (!ready_) return Status::Fail("FreeType could not be started");
    if (auto known = faces_.find(pattern); known != faces_.end()) return known->second;
    VR_TRY_ASSIGN(const FontFile file, MatchFont(pattern));
    FT_Face face = nullptr;
    if (FT_New_Face(library_, file.path.c_str(), file.index, &face) != 0)
      return Status::Fail("Cannot open the font file " + file.path + " for \"" + pattern + "\"");
    faces_.emplace(pattern, face);
    return face;
  }

 private:
  FT_Library library_ = nullptr;
  bool ready_ = false;
  std::map<std::string, FT_Face> faces_;
};

}  // namespace

Expected<FontFile> MatchFont(const std::string& pattern) {
  const std::lock_guard lock(FontconfigMutex());
  if (FcInit() == FcFalse) return Status::Fail("fontconfig could not be started");
  const std::string wanted = pattern.empty() ? std::string("sans-serif") : pattern;
  PatternPtr request(FcNameParse(reinterpret_cast<const FcChar8*>(wanted.c_str())));
  // A text fontconfig cannot parse is still a name someone typed: ask for
  // the default face rather than fail the build.
  if (!request) request.reset(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif")));
  if (!request) return Status::Fail("fontconfig cannot read the font name \"" + pattern + "\"");
  FcConfigSubstitute(nullptr, request.get(), FcMatchPattern);
  FcDefaultSubstitute(request.get());
  FcResult result = FcResultNoMatch;
  const PatternPtr match(FcFontMatch(nullptr, request.get(), &result));
  FcChar8* path = nullptr;
  if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch || path == nullptr)
    return Status::Fail("No installed font matches \"" + pattern + "\"");
  int index = 0;
  if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) != FcResultMatch) index = 0;
  return FontFile{reinterpret_cast<const char*>(path), index};
}

Expected<FT_Face> ThreadFace(const std::string& pattern) {
  thread_local ThreadFonts fonts;
  return fonts.Face(pattern);
}

}  // namespace vr
