#include "thumbnail/plan_settings.h"

#include "thumbnail/made_index.h"

namespace vr {

PlanSettings PlanSettingsFrom(const SettingsRecord& s) {
  PlanSettings plan;
  plan.folder = s.OUTfolder;
  plan.dated_folder = s.OUTdatefolder != 0;
  plan.name_pattern = s.OUTname;
  plan.format = GetOutputFormat(s.OUTformat);
  plan.stored_format = s.OUTformat;
  plan.size = SizeRequestFrom(s);
  plan.whole_first = s.ADVpixall == 1;
  plan.watermark_text = s.WMText;
  plan.keep_tree = s.OUTkeeptree != 0;
  plan.if_exists = IfExistsFromCode(s.OUTifexists);
  plan.stored_if_exists = s.OUTifexists;
  if (plan.if_exists == IfExists::kNewer) plan.fingerprint = OutputFingerprint(s);
  return plan;
}

}  // namespace vr
