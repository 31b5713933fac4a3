// Each number setting's range: the record a store without values loads is
// in range, every field has a range a value can fall outside of, values at
// the ends pass and one past them is named with its range; and the names a
// settings file holds, known or not.
#include "settings/value_ranges.h"

#include <gtest/gtest.h>

#include "settings/load_settings.h"
#include "settings/reg_file.h"
#include "settings/settings_store.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

TEST(ValueRanges, TheDefaultsOfAnEmptyStoreAreInRange) {
  test::TempFolder folder;
  const RegFileStore store(folder.File("none.reg"));
  SettingsRecord record;
  LoadSettings(store, record, "/opt/varenna");
  EXPECT_EQ(OutOfRangeSettings(record), std::vector<std::string>{});
}

TEST(ValueRanges, EachNumberIsHeldToItsEndsAndNamedWithThem) {
  test::TempFolder folder;
  SettingsRecord in_range;
  LoadSettings(RegFileStore(folder.File("none.reg")), in_range, "/opt/varenna");
  for (const SettingsField& field : SettingsFields()) {
    if (field.number == nullptr) continue;
    const ValueRange range = field.range;
    ASSERT_LT(range.min, range.max) << field.name;
    // No field takes every 32-bit value: each has an end something can pass.
    EXPECT_TRUE(range.min > INT32_MIN || range.max < INT32_MAX) << field.name;
    for (const std::int32_t end : {range.min, range.max}) {
      SettingsRecord record = in_range;
      record.*(field.number) = end;
      EXPECT_TRUE(OutOfRangeSettings(record).empty()) << field.name << "=" << end;
    }
    SettingsRecord record = in_range;
    record.*(field.number) = range.max == INT32_MAX ? range.min - 1 : range.max + 1;
    const std::vector<std::string> lines = OutOfRangeSettings(record);
    ASSERT_EQ(lines.size(), 1u) << field.name;
    EXPECT_EQ(lines[0], std::string(field.name) + "=" + std::to_string(record.*(field.number)) +
                            " is out of range: " + std::to_string(range.min) + " to " +
                            std::to_string(range.max));
  }
}

TEST(ValueRanges, TheSidesAndQualityHaveTheRangesTheManualGives) {
  EXPECT_EQ(FindSettingsField("OUTwidth")->range.min, 1);
  EXPECT_EQ(FindSettingsField("OUTwidth")->range.max, 65535);
  EXPECT_EQ(FindSettingsField("JPEGquality")->range.max, 100);
  EXPECT_EQ(FindSettingsField("OUTpropw")->range.min, -1);
}

TEST(RegDocumentNames, AreEveryValueUnderTheSettingsKeyInFileOrder) {
  const RegDocument document = RegDocument::Parse(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"Elsewhere\"=dword:00000001\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
      "\"OUTwidht\"=dword:00000020\r\n\"OUTname\"=\"x\"\r\n\"Blob\"=hex:01,02\r\n");
  EXPECT_EQ(document.ValueNames(), (std::vector<std::string>{"OUTwidht", "OUTname", "Blob"}));
}

}  // namespace
}  // namespace vr
