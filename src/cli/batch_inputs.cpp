#include "cli/batch_inputs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "list/folder_scan.h"

namespace vr {

std::vector<std::string> ReadPathList(std::istream& in, bool null_separated) {
  std::vector<std::string> paths;
  for (std::string path; std::getline(in, path, null_separated ? '\0' : '\n');)
    if (!path.empty()) paths.push_back(std::move(path));
  return paths;
}

namespace {

Status AddRowsFor(const std::string& input, bool recursive, ListedRows& rows) {
  std::error_code ignored;
  if (!std::filesystem::is_directory(input, ignored)) {
    rows.sources.push_back({input, {}});
    return Status::Ok();
  }
  VR_TRY_ASSIGN(FolderScan scan, ScanPictureFolder(input, {.recursive = recursive, .progress = {}}));
  for (ScannedPicture& picture : scan.pictures) rows.sources.push_back({std::move(picture.path), input});
  rows.left_out += scan.left_out;
  rows.named.insert(rows.named.end(), scan.named.begin(), scan.named.end());
  return Status::Ok();
}

Expected<std::vector<std::string>> ReadListFile(const std::string& path, bool null_separated,
                                                std::istream& standard_input) {
  if (path == "-") return ReadPathList(standard_input, null_separated);
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored))
    return Status::Fail("Cannot read the list " + path + ": it is a folder");
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::Fail("Cannot read the list " + path + ": " + std::strerror(errno));
  std::vector<std::string> paths = ReadPathList(in, null_separated);
  if (in.bad()) return Status::Fail("Cannot read the list " + path + ": " + std::strerror(errno));
  return paths;
}

}  // namespace

Expected<ListedRows> ListRows(const std::vector<InputSource>& inputs, bool null_separated, bool recursive,
                              std::istream& standard_input) {
  ListedRows rows;
  for (const InputSource& input : inputs) {
    if (!input.is_list) {
      VR_TRY(AddRowsFor(input.path, recursive, rows));
      continue;
    }
    VR_TRY_ASSIGN(const std::vector<std::string> listed,
                  ReadListFile(input.path, null_separated, standard_input));
    for (const std::string& path : listed) VR_TRY(AddRowsFor(path, recursive, rows));
  }
  return rows;
}

}  // namespace vr
