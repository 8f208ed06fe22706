#include "diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char kUsageText[] =
    "usage: quarnex [options] <pdi-file-name>[.pdi] [files...]\n"
    "\n"
    "options:\n"
    "-l        list only (directory mode)\n"
    "-i <iso>  convert .pdi-file-set into .iso-image <iso>[.iso]\n"
    "-r        remove .pdi files as soon as possible\n"
    "-d <dir>  extract files to directory <dir>\n"
    "-m <dir>  create directory <dir> and extract files int it\n"
    "-v        create VIDEO_TS directory and extract files into it\n"
    "-x        same as -r -m <pdi-file-name> -v\n"
    "\n"
    "a trailing '*' may be used as wildcard for file selection,\n"
    "e.g. quarnex -v movie vts_01*\n"
    "extracts Video Title Set 1 from movie.pdi* to dir VIDEO_TS\n";

void fatal_exit(const char* message) {
  fprintf(stderr, "%s\n\aHit <RETURN> to continue\n", message);
  fflush(stderr);
  fflush(stdout);
  getchar();  // end of input or a read error ends the wait at once
  exit(1);
}

// A transfer that came up short at the end of a file sets no error number;
// saying "Success" there would read as if nothing went wrong.
static const char* error_text(int error) {
  if (error == 0) return "unexpected end of file";
  return strerror(error);
}

static void print_error_number(const char* context, int error) {
  if (context && context[0]) fprintf(stderr, "%s: ", context);
  fprintf(stderr, "%s\n", error_text(error));
}

void print_system_error(const char* context) { print_error_number(context, errno); }

void fatal_system_error(const char* context) {
  print_error_number(context, errno);
  fatal_exit("");
}

void fatal_error_number(const char* context, int error) {
  print_error_number(context, error);
  fatal_exit("");
}

void show_usage() { fatal_exit(kUsageText); }
