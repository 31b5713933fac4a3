#include "imaging/engine_facade.h"

namespace vr {

Engine& SharedEngine() {
  // Made on first use, so it exists before any caller needs it and never
  // depends on the order static objects are built in.
  static Engine engine;
  return engine;
}

Status LoadImage1(const std::string& path, int format_code) {
  return SharedEngine().LoadImage(Engine::kPictureSlot, path, format_code);
}
Status LoadImage2(const std::string& path, int format_code) {
  return SharedEngine().LoadImage(Engine::kOverlaySlot, path, format_code);
}
Status GetImageSize1(int& width, int& height) {
  return SharedEngine().GetImageSize(Engine::kPictureSlot, width, height);
}
Status GetImageSize2(int& width, int& height) {
  return SharedEngine().GetImageSize(Engine::kOverlaySlot, width, height);
}
Status ResampleImage1(int width, int height) { return SharedEngine().Resample(width, height); }
Status RotateImage2(float degrees) { return SharedEngine().Rotate2(degrees); }
Status NoiseImage1(int level) { return SharedEngine().Noise1(level); }
Status LightImage1(int brightness, int contrast) { return SharedEngine().Light1(brightness, contrast); }
Status ColorizeImage1(int saturation) { return SharedEngine().Colorize1(saturation); }
Status RepairImage1(float correction) { return SharedEngine().Repair1(correction); }
Status GrayScaleImage1() { return SharedEngine().GrayScale1(); }
Status NegativeImage1() { return SharedEngine().Negative1(); }

Status SetOpacity2(int opacity_percent) {
  SharedEngine().SetOpacity2(opacity_percent);
  return Status::Ok();
}

Status MixImgAdd(int x, int y) { return SharedEngine().Mix(MixMode::Add, x, y); }
Status MixImgAnd(int x, int y) { return SharedEngine().Mix(MixMode::And, x, y); }
Status MixImgOr(int x, int y) { return SharedEngine().Mix(MixMode::Or, x, y); }
Status MixImgXor(int x, int y) { return SharedEngine().Mix(MixMode::Xor, x, y); }
Status MixImgMask(int x, int y) { return SharedEngine().Mix(MixMode::Mask, x, y); }
Status MixImgSrcCopy(int x, int y) { return SharedEngine().Mix(MixMode::SrcCopy, x, y); }
Status MixImgDstCopy(int x, int y) { return SharedEngine().Mix(MixMode::DstCopy, x, y); }
Status MixImgSub(int x, int y) { return SharedEngine().Mix(MixMode::Sub, x, y); }
Status MixImgSrcBlend(int x, int y) { return SharedEngine().Mix(MixMode::SrcBlend, x, y); }

Status SetJpegQuality1(std::uint8_t quality) {
  SharedEngine().SetJpegQuality1(quality);
  return Status::Ok();
}

Status SaveImage1(const std::string& path, int format_code) {
  return SharedEngine().Save1(path, format_code);
}

Status Destroy1() {
  SharedEngine().Destroy1();
  return Status::Ok();
}
Status Destroy2() {
  SharedEngine().Destroy2();
  return Status::Ok();
}

}  // namespace vr
