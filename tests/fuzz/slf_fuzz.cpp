// libFuzzer target for the SLF layout loader: any bytes are read as a layout file and applied with
// the loader's options (no file exists, so every image is reported missing). The loader must never
// crash, and every problem it reports says what is wrong.
#include <string>

#include "common/IniFile.h"
#include "proj/core/SlfLayout.h"
#include "FuzzSupport.h"

using namespace brivak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const IniDocument doc = IniDocument::Parse(fuzz::AsText(data, size));
  core::SlfLoadOptions options;
  options.dataFolder = "/nonexistent/brivak-fuzz/";
  options.awayMessage = "away";
  options.fileExists = [](const std::string&) { return false; };
  const core::SlfLayout layout = core::LoadSlfLayout(doc, options);
  for (const core::SlfProblem& problem : layout.problems) fuzz::Check(!problem.message.empty());
  return 0;
}
