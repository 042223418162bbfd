// `SwapHTMLtags` and the copies of one lock: reads an HTML layout, replaces its tags, hands its
// plug-in declarations to the caller and writes the "~" copy through a temporary file and a
// rename. Every copy written is listed in `FilesToDelete` and removed by DeleteTemporaryFiles at
// the end of the lock. Main thread only; the references must outlive the object.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/LogSink.h"
#include "platform/FileSystem.h"
#include "proj/core/HtmlTags.h"
#include "proj/core/PluginComments.h"

namespace brivak::core {

struct SwapResult {
  // What the browser loads: the copy, or the layout itself when the copy could not be written.
  std::string url;
  bool copyWritten = false;
  std::vector<PluginDeclaration> plugins;  // in page order, duplicates included
};

class HtmlLayout {
 public:
  using ValuesSource = std::function<HtmlTagValues(const std::string& pagePath)>;
  HtmlLayout(platform::FileSystem& files, LogSink& log, ValuesSource values);

  // Substitutes `layoutPath` into its copy. A layout that cannot be read, or a copy that cannot be
  // written, is logged ("EX: ..." on the console and in the day log) and gives the layout's own path.
  SwapResult SwapHTMLtags(const std::string& layoutPath);
  // Removes every file listed and empties the list.
  void DeleteTemporaryFiles();
  const std::vector<std::string>& FilesToDelete() const { return filesToDelete_; }

 private:
  platform::FileSystem& files_;
  LogSink& log_;
  ValuesSource values_;
  std::vector<std::string> filesToDelete_;
};

}  // namespace brivak::core
