# QUARNEX_UNOPTIMISED_TESTS: the test programs' own sources and GoogleTest
# are compiled without optimisation, which takes a third less time (half, for
# the native build). The 32-bit Windows tests are only compiled and linked
# (this kernel cannot run them), the 64-bit ones run under Wine, where
# starting the program, not the test's own code, takes the time, and the
# native tests spend theirs in the programs they run and in the kernel. The programs and the
# libraries they share with the tests keep the build type's flags, so what
# is tested is what is packaged.
function(quarnex_unoptimise_tests dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    if(target MATCHES "(_tests?|_probe)$|^gtest(_main)?$")
      # After the build type's -O3: the last -O given wins.
      target_compile_options(${target} PRIVATE -O0)
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    quarnex_unoptimise_tests(${subdirectory})
  endforeach()
endfunction()

if(QUARNEX_UNOPTIMISED_TESTS)
  quarnex_unoptimise_tests(${PROJECT_SOURCE_DIR})
endif()
