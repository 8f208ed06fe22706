# QUARNEX_UNOPTIMISED_TESTS: for a build whose tests are compiled and linked
# but never run (the 32-bit Windows build; this kernel cannot run it), the
# test programs and GoogleTest are compiled without optimisation, which
# takes a third less time. The programs and the libraries they share with
# the tests keep the build type's flags, so the build still makes packages.
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
