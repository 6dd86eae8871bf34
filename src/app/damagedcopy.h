// The copy of a damaged member file that is kept beside it before the program writes the file anew.
//
// A note or local settings file that ends inside a record (an older copy of the program was killed
// while writing it) is loaded as far as its records are complete; its bytes as found stay in
// "<file>.damaged-YYYYMMDD-HHMMSS" beside it ("-2", "-3", ... appended when that name is taken). The
// name ends in none of the extensions the program or other members' programs open, so nobody reads
// it by mistake, and it never takes the place of another file.
#pragma once

#include "platform/sharedfile.h"

#include <string>

namespace tw {

// The name of the copy of `path` at the date-time `now` (day count); attempt 1, 2, ... for the next free one.
std::string damagedCopyPath(const std::string& path, double now, int attempt = 1);
// The same with another word than "damaged": "<file>.<tag>-YYYYMMDD-HHMMSS" ("-2", ... appended).
std::string datedCopyPath(const std::string& path, const std::string& tag, double now, int attempt = 1);

// Writes `bytes` into a new copy of `path` at the first free name for `now`, in one step. `copyPath`
// names the copy written, or on failure the one tried last.
FileError keepDamagedCopy(const std::string& path, const std::string& bytes, double now, std::string& copyPath);
// The same for a copy named by datedCopyPath with `tag`.
FileError keepDatedCopy(const std::string& path, const std::string& tag, const std::string& bytes, double now,
                        std::string& copyPath);

}  // namespace tw
