// A small demonstration run until the converter is in place: prints where the
// program looks for its files and a few conversions of the core.
#include <cstdio>

#include "platform/comma_text.h"
#include "platform/program_dir.h"

int main() {
  std::printf("chizro program directory: %s\n", chizro::ProgramDir().c_str());
  const auto fields = chizro::SplitCommaText("0, \"MS Gothic\", 9, 1");
  std::printf("comma text fields: %zu\n", fields.size());
  return 0;
}
