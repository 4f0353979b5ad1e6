// A fresh folder under /tmp for one test, removed afterwards.
#pragma once

#include <stdlib.h>

#include <string>

#include "engine/File.h"

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/velmar-test-XXXXXX";
    path_ = mkdtemp(pattern) ? pattern : "";
  }
  ~TempFolder() {
    if (!path_.empty()) Nox::File::Prune(path_);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
