// What `newer` needs to know a thumbnail is up to date: a small hidden file
// in each output folder, ".varenna-made", with one line per thumbnail the
// program made there: the settings' fingerprint, the source and the name.
// Beside the thumbnails rather than in them, so every format (BMP has no
// place for text) works alike and a thumbnail's bytes stay what the
// settings alone make them.
//
// A line is appended once its thumbnail is in place, so a run killed at any
// point leaves at worst a thumbnail without its line, which the next run
// makes again; a torn last line is ignored. When a run ends, each folder's
// file is rewritten whole (atomically) with one line per name.
#pragma once

#include <map>
#include <set>
#include <string>

#include "base/status.h"
#include "settings/settings_record.h"

namespace vr {

inline constexpr char kMadeIndexName[] = ".varenna-made";

// Sixteen hex digits over every setting that shapes a thumbnail's pixels
// and bytes (size, format, quality, effects, the watermark with its file's
// time, background, colour, metadata), and none that only place or name it.
std::string OutputFingerprint(const SettingsRecord& settings);

class MadeIndex {
 public:
  // True when `output` exists, is no older than `source`, and was made from
  // that source with settings of this fingerprint.
  bool UpToDate(const std::string& output, const std::string& source, const std::string& fingerprint);

  // Notes a thumbnail just put in place. A name or source that a line
  // cannot hold (a tab or line break in it) is not noted: it is made again
  // next time.
  Status Record(const std::string& output, const std::string& source, const std::string& fingerprint);

  // Rewrites the file of every folder noted in, keeping the lines of files
  // still there: what the file holds now (other processes, the shards of a
  // split run, may note into the same folder) with this run's notes over it.
  Status Compact();

 private:
  struct Entry {
    std::string fingerprint;
    std::string source;
  };
  using Folder = std::map<std::string, Entry>;  // name -> how it was made
  static Folder ReadFile(const std::string& folder);
  Folder& Load(const std::string& folder);

  std::map<std::string, Folder> folders_;
  std::map<std::string, Folder> noted_;  // folder -> what this run noted there
};

}  // namespace vr
