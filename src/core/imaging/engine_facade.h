// The two-slot image functions the thumbnail pipeline, the add commands and
// the previews call by name: thin wrappers over one process-wide Engine.
//
// The process-wide engine is for the user-interface thread only; it is not
// locked. Worker threads make their own Engine instead (see engine.h).
// Every function returns the Status of the operation; callers that follow
// the old convention may ignore it.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"
#include "imaging/engine.h"

namespace vr {

// The process-wide engine behind the functions below, made on first use.
Engine& SharedEngine();

Status LoadImage1(const std::string& path, int format_code);
Status LoadImage2(const std::string& path, int format_code);
Status GetImageSize1(int& width, int& height);
Status GetImageSize2(int& width, int& height);
Status ResampleImage1(int width, int height);
Status RotateImage2(float degrees);
Status NoiseImage1(int level);
Status LightImage1(int brightness, int contrast);
Status ColorizeImage1(int saturation);
Status RepairImage1(float correction);
Status GrayScaleImage1();
Status NegativeImage1();
Status SetOpacity2(int opacity_percent);
Status MixImgAdd(int x, int y);
Status MixImgAnd(int x, int y);
Status MixImgOr(int x, int y);
Status MixImgXor(int x, int y);
Status MixImgMask(int x, int y);
Status MixImgSrcCopy(int x, int y);
Status MixImgDstCopy(int x, int y);
Status MixImgSub(int x, int y);
Status MixImgSrcBlend(int x, int y);
Status SetJpegQuality1(std::uint8_t quality);
Status SaveImage1(const std::string& path, int format_code);
Status Destroy1();
Status Destroy2();

}  // namespace vr
