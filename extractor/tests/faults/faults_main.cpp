// Runs the fault tests; the results file of the reliability table is begun
// anew by each run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (const char* path = getenv("QUARNEX_RELIABILITY_RESULTS")) {
    if (FILE* f = *path ? fopen(path, "w") : nullptr) fclose(f);
  }
  return RUN_ALL_TESTS();
}
