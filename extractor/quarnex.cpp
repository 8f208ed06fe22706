#include "quarnex.h"

#include <cstdio>
#include <cstdlib>

#include "command_line.h"
#include "diagnostics.h"
#include "engine/file_table.h"
#include "engine/engine_state.h"
#include "extraction_driver.h"
#include "list_file.h"
#include "pdiset/layout.h"
#include "pdiset/names.h"

const char kBanner[] = "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $";

void run_quarnex(const std::vector<std::string>& words) {
  for (const std::string& word : words) fprintf(stderr, "'%s' ", word.c_str());
  fprintf(stderr, "\n%s\n\n", kBanner);

  RunOptions options;
  switch (parse_command_line(words, &options)) {
    case kParsed:
      break;
    case kShowUsage:
      show_usage();
    case kSelectionNotAllowed:
      fputs("individual file selection may be used only in file extraction mode\n", stderr);
      show_usage();
    case kEmptyOutputDirectory:
      fatal_exit("empty output directory name");
    case kEmptyImageName:
      fatal_exit("empty image name");
  }
  g_engine.remove_members = options.remove_members;
  g_engine.set_name = pdiset::with_extension(words[options.image_word], pdiset::kSetExtension);

  open_image_set();
  read_directory(options.iso_name.has_value());
  fflush(stdout);
  if (options.list_file) write_list_file(options.list_file->c_str(), options.list_format);
  if (options.list_only) exit(0);
  run_extraction(options, words);
}
