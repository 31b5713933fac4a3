// A font found by name and opened for drawing. fontconfig turns a family
// name or pattern ("DejaVu Sans", "Serif:bold") into a file, falling back to
// its closest installed match; FreeType opens it. Faces are kept per thread,
// since a FreeType library and its faces must not be shared between threads.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

#include "base/status.h"

namespace vr {

struct FontFile {
  std::string path;
  int index = 0;  // the face inside a collection file
};

// fontconfig's best match for `pattern`; an empty pattern gets its default
// sans-serif face. A name nothing installed carries still gets the closest
// font there is; fails only when fontconfig finds no font file at all.
Expected<FontFile> MatchFont(const std::string& pattern);

// This thread's FreeType face for `pattern`, opened on first use and kept
// for the thread's life. The face belongs to the thread: callers set its
// size and draw with it, never hand it to another thread.
Expected<FT_Face> ThreadFace(const std::string& pattern);

}  // namespace vr
