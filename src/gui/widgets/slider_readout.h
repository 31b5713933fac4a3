// The value of a cpvSlider written beside it, for sliders whose window has
// no box of its own for the number.
#pragma once

class QLabel;

namespace vr {

class cpvSlider;

// Puts `slider` and a label with its value (objectName: the slider's name
// and "Value") side by side where the slider sat in its parent's layout.
// The label follows every change and is wide enough for either end of the
// range. Returns the label; nullptr when the slider is in no layout.
QLabel* AttachValueReadout(cpvSlider& slider);

}  // namespace vr
