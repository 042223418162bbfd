// Line-safe appends and exclusive creation of plain files, for logs that several threads and
// processes write at once. Each call opens, writes and closes; no descriptor stays open.
#pragma once

#include <string>
#include <string_view>

namespace brivak {

enum class AppendOutcome {
  kWritten,  // the bytes were appended
  kNoFile,   // the file does not exist; nothing was created or written
};

// Appends `bytes` to an existing file with one write() on an O_APPEND descriptor, so that a line
// written this way never interleaves with another writer's line, in this process or another.
// Never creates the file. Throws std::runtime_error (path and reason) when the file exists but
// cannot be opened or written.
AppendOutcome AppendToExisting(const std::string& path, std::string_view bytes);

// Creates `path` holding `bytes`, only when it does not exist yet: the content is written to a
// private file (O_CREAT|O_EXCL) and published under the name by link(), so the file never appears
// without it. Returns true when this call created the file, false when it existed already (it is
// then left untouched). Throws std::runtime_error when the file cannot be created.
bool CreateExclusive(const std::string& path, std::string_view bytes);

}  // namespace brivak
