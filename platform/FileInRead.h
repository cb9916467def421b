// The name of the file being read, which the failure check puts after its
// text so that a message about a file's contents says which file.
#pragma once

#include <string>

namespace qm {

// While one lives, the failure check names the file being read after its
// text ("bad file header: /path/x.pro"), so that a message about a file's
// contents says which file. Nested ones name the innermost file.
class ScopedFileInRead {
  public:
    explicit ScopedFileInRead(std::string path);
    ~ScopedFileInRead();
    ScopedFileInRead(const ScopedFileInRead&) = delete;
    ScopedFileInRead& operator=(const ScopedFileInRead&) = delete;

  private:
    std::string previous_;
};

} // namespace qm
