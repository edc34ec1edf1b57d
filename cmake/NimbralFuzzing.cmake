# nimbral_add_fuzzer(<name> SOURCES ... LIBS ...)
# A libFuzzer target, built only by the fuzz preset; scripts/fuzz runs every
# executable named fuzz_* for a bounded time, seeded from tests/fuzz/corpus/<name>/.
function(nimbral_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
endfunction()
