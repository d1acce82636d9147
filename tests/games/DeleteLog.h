#pragma once
// Records every RegDeleteKeyA call this test program makes while a DeleteLog exists, by pointing
// the program's import of RegDeleteKeyA at a recorder that passes each call on unchanged.
#include <string>
#include <vector>

#include <windows.h>

struct LoggedDelete {
  HKEY root;
  std::string path;
  bool operator==(const LoggedDelete& other) const { return root == other.root && path == other.path; }
};

std::ostream& operator<<(std::ostream& out, const LoggedDelete& d);

class DeleteLog {
 public:
  DeleteLog();
  ~DeleteLog();
  DeleteLog(const DeleteLog&) = delete;
  DeleteLog& operator=(const DeleteLog&) = delete;
  const std::vector<LoggedDelete>& Entries() const;
};
