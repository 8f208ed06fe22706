#include "command_words.h"
#include "quarnex.h"

int main(int argc, char** argv) { run_quarnex(command_words(argc, argv)); }
