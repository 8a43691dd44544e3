// A file that turned out unusable is moved out of the way beside itself: never deleted, and
// never over a copy moved aside before.
#pragma once
#include <string>

namespace vantel {

// rename() that fails with EEXIST rather than replace an existing to.
bool RenameNoReplace(const std::string& from, const std::string& to);

// Renames path to "<path>.corrupt-<seconds since 1970>", or, while that name is taken, to the
// same with "-1", "-2", ... appended. Returns the new name, or an empty string (errno set)
// when the file could not be moved.
std::string MoveAside(const std::string& path);

}  // namespace vantel
