#include "imaging/codecs/png_session.h"

#include <cstdio>

namespace vr {

PngSession::PngSession(Mode mode) : mode_(mode) {
  // The error pointer is this object, so a PngSession must stay where it was
  // built: it is neither copied nor moved.
  if (mode_ == Mode::kRead)
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, &PngSession::OnError, &PngSession::OnWarning);
  else
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, &PngSession::OnError, &PngSession::OnWarning);
  if (png_ != nullptr) info_ = png_create_info_struct(png_);
}

PngSession::~PngSession() {
  if (png_ == nullptr) return;
  png_infopp info = info_ != nullptr ? &info_ : nullptr;
  if (mode_ == Mode::kRead)
    png_destroy_read_struct(&png_, info, nullptr);
  else
    png_destroy_write_struct(&png_, info);
}

bool PngSession::Run(Step step, void* context) {
  if (!valid()) return false;
  if (setjmp(jump_) != 0) {
    armed_ = false;
    return false;
  }
  armed_ = true;
  step(png_, info_, context);
  armed_ = false;
  return true;
}

void PngSession::OnError(png_structp png, png_const_charp message) {
  auto* session = static_cast<PngSession*>(png_get_error_ptr(png));
  std::snprintf(session->error_, sizeof session->error_, "%s",
                message != nullptr && message[0] != '\0' ? message : "unknown libpng error");
  // Outside Run (only while libpng builds its structs) there is no target of
  // ours; returning lets libpng fall back to its own creation-time jump.
  if (session->armed_) std::longjmp(session->jump_, 1);
}

// Warnings (bad ancillary chunks, odd gamma values) never stop a decode and
// this library prints nothing, so they are dropped.
void PngSession::OnWarning(png_structp, png_const_charp) {}

}  // namespace vr
