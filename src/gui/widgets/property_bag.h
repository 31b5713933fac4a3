// A control's stored settings: named entries, names matched without regard
// to case, kept in the order they were written. A control writes an entry
// only when it differs from the default and reads a missing one as the
// default, so the bag holds just what was changed.
#pragma once

#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

namespace vr {

class PropertyBag {
 public:
  // Stores `value` under `name`, or removes the entry when it equals `default_value`.
  void Write(const QString& name, const QVariant& value, const QVariant& default_value) {
    Remove(name);
    if (value != default_value) entries_.emplace_back(name.toLower(), value);
  }

  QVariant Read(const QString& name, const QVariant& default_value) const {
    for (const auto& [key, value] : entries_)
      if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return default_value;
  }

  // Entry names (lower case) in the order they were written.
  QStringList Names() const {
    QStringList names;
    for (const auto& entry : entries_) names << entry.first;
    return names;
  }

 private:
  void Remove(const QString& name) {
    std::erase_if(entries_,
                  [&](const auto& entry) { return entry.first.compare(name, Qt::CaseInsensitive) == 0; });
  }

  std::vector<std::pair<QString, QVariant>> entries_;
};

}  // namespace vr
