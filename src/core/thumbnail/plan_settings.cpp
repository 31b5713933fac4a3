#include "thumbnail/plan_settings.h"

namespace vr {

PlanSettings PlanSettingsFrom(const SettingsRecord& s) {
  PlanSettings plan;
  plan.folder = s.OUTfolder;
  plan.dated_folder = s.OUTdatefolder != 0;
  plan.name_pattern = s.OUTname;
  plan.format = GetOutputFormat(s.OUTformat);
  plan.stored_format = s.OUTformat;
  plan.size = SizeRequestFrom(s);
  plan.watermark_text = s.WMText;
  return plan;
}

}  // namespace vr
