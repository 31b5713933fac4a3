#include "widgets/typed_number.h"

#include <QCoreApplication>
#include <algorithm>

namespace vr {

TypedNumber HoldToRange(const QString& text, std::int32_t min, std::int32_t max, std::int32_t fallback) {
  bool ok = false;
  const qlonglong number = text.trimmed().toLongLong(&ok, 10);
  TypedNumber held;
  held.value = ok ? static_cast<std::int32_t>(std::clamp<qlonglong>(number, min, max)) : fallback;
  held.corrected = !ok || number != held.value;
  return held;
}

QString RangeText(std::int32_t min, std::int32_t max) {
  return QCoreApplication::translate("vr::TypedNumber", "From %1 to %2").arg(min).arg(max);
}

QString CorrectionNote(const QString& typed, std::int32_t min, std::int32_t max, std::int32_t value) {
  const QString shown = typed.trimmed().isEmpty()
                            ? QCoreApplication::translate("vr::TypedNumber", "An empty box")
                            : QStringLiteral("\"%1\"").arg(typed.trimmed());
  return QCoreApplication::translate("vr::TypedNumber", "%1 is not a whole number from %2 to %3: set to %4.")
      .arg(shown)
      .arg(min)
      .arg(max)
      .arg(value);
}

}  // namespace vr
