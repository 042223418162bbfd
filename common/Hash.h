// The password hash shared by the locker, the manager and their user lists: SHA-1 over the
// password's Windows-1252 bytes, as 40 lower-case hex digits. Stored hashes from other installations
// depend on these exact bytes, so the conversion follows the Windows code page, not Latin-1.
#pragma once

#include <string>
#include <string_view>

namespace brivak {

// The Windows-1252 bytes of a UTF-8 text. Characters the code page lacks, and invalid UTF-8
// sequences, become '?'. U+0081, U+008D, U+008F, U+0090 and U+009D map to their own byte values,
// as Windows maps them.
std::string Utf8ToCp1252(std::string_view utf8);

// SHA-1 of Utf8ToCp1252(password), 40 lower-case hex digits. Thread-safe.
std::string Hash(std::string_view password);

}  // namespace brivak
