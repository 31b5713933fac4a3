// Internal to the PNG codec: one libpng read or write struct with its error
// handling. libpng reports a fatal error by calling our error function,
// which must not return; it stores libpng's reason and jumps back into
// PngSession::Run. Only the plain C steps handed to Run lie between the jump
// and its target, so no C++ destructor is ever skipped.
#pragma once

#include <png.h>

#include <csetjmp>

namespace vr {

class PngSession {
 public:
  enum class Mode { kRead, kWrite };
  // A step run under libpng's error handling. It must not own anything with
  // a destructor: a libpng error leaves it by a long jump.
  using Step = void (*)(png_structp png, png_infop info, void* context);

  explicit PngSession(Mode mode);
  ~PngSession();
  PngSession(const PngSession&) = delete;
  PngSession& operator=(const PngSession&) = delete;

  // False when libpng could not even allocate its structs.
  bool valid() const { return png_ != nullptr && info_ != nullptr; }
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

  // Runs `step`; false when libpng raised an error, whose reason is then in
  // error(). Every libpng call on this session belongs inside a step.
  bool Run(Step step, void* context);
  const char* error() const { return error_; }

 private:
  static void OnError(png_structp png, png_const_charp message);
  static void OnWarning(png_structp png, png_const_charp message);

  Mode mode_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::jmp_buf jump_;
  bool armed_ = false;  // jump_ holds a live target only while Run executes
  char error_[160] = "unknown libpng error";
};

}  // namespace vr
