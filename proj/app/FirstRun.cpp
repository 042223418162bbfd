#include "proj/app/FirstRun.h"

#include <filesystem>
#include <system_error>

namespace brivak::app {

namespace fs = std::filesystem;

LayoutCopyResult CopyShippedLayouts(const std::string& appPath, const std::string& appData) {
  LayoutCopyResult result;
  std::error_code ec;
  const fs::path target = fs::path(appData) / "layouts";
  const fs::path source = fs::path(appPath) / "layouts";
  if (fs::exists(target, ec) || !fs::is_directory(source, ec)) return result;

  // Copied beside the target first and renamed into place, so an interrupted copy never looks
  // like a user's layouts folder at the next start.
  const fs::path staging = fs::path(appData) / "layouts.partial";
  fs::remove_all(staging, ec);
  fs::create_directories(appData, ec);
  fs::copy(source, staging, fs::copy_options::recursive, ec);
  if (!ec) fs::rename(staging, target, ec);
  if (ec) {
    result.error = "cannot copy " + source.string() + " to " + target.string() + ": " + ec.message();
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    return result;
  }
  result.copied = true;
  return result;
}

}  // namespace brivak::app
