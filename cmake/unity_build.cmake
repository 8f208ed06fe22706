# QUARNEX_UNITY_BUILD: every target made after this point is compiled as
# "unity" sources, up to eight .cpp files included into one translation
# unit. Each test file includes GoogleTest and much of the library, so
# parsing those headers once per unit instead of once per file halves the
# processor time of a cold build; eight keeps two units per larger target
# for the second core. A source that cannot share a unit is marked with
# SKIP_UNITY_BUILD_INCLUSION where it is listed.
option(QUARNEX_UNITY_BUILD "Compile several sources of a target as one unit" ON)
if(QUARNEX_UNITY_BUILD)
  set(CMAKE_UNITY_BUILD ON)
  set(CMAKE_UNITY_BUILD_BATCH_SIZE 8)
endif()
