#include "proj/core/HtmlLayout.h"

#include <algorithm>

#include "proj/core/HtmlLayoutCopy.h"

namespace brivak::core {

HtmlLayout::HtmlLayout(platform::FileSystem& files, LogSink& log, ValuesSource values)
    : files_(files), log_(log), values_(std::move(values)) {}

SwapResult HtmlLayout::SwapHTMLtags(const std::string& layoutPath) {
  log_.Debug("in SwapHTMLTags");
  SwapResult result;
  result.url = layoutPath;
  const std::optional<std::string> page = files_.ReadFile(layoutPath);
  if (!page) {
    log_.Mem("EX: cannot read the layout " + layoutPath);
    log_.WriteLog("Cannot read the layout " + layoutPath);
    return result;
  }
  const std::string text = SubstitutePage(*page, values_(layoutPath));
  result.plugins = ScanPluginComments(text);
  const std::string copy = SubstitutedCopyPath(layoutPath);
  // Listed before it is written: a copy that appears after a failed report is still removed.
  if (std::find(filesToDelete_.begin(), filesToDelete_.end(), copy) == filesToDelete_.end()) {
    filesToDelete_.push_back(copy);
  }
  const platform::FileResult written = files_.ReplaceFile(copy, text, 0600);
  if (!written) {
    log_.Mem("EX: swapped file not written: " + written.error);
    log_.WriteLog("The layout copy could not be written, showing the layout itself: " + written.error);
    return result;
  }
  result.url = copy;
  result.copyWritten = true;
  return result;
}

void HtmlLayout::DeleteTemporaryFiles() {
  for (const std::string& path : filesToDelete_) {
    if (const platform::FileResult removed = files_.RemoveFile(path); !removed) {
      log_.Debug("EX: " + removed.error);
    }
  }
  filesToDelete_.clear();
}

}  // namespace brivak::core
