# Project-wide build settings and the test helper.

option(VK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VK_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(VK_BENCH "Build the benchmarks" ON)

add_compile_options(-Wall -Wextra)
if(VK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# vk_test(NAME <name> LABEL unit|integration|e2e SOURCES ... [LIBS ...]
#         [ENVIRONMENT VAR=value ...] [TIMEOUT seconds])
# One GoogleTest program, run by CTest as one test with its label.
function(vk_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT T_LABEL MATCHES "^(unit|integration|e2e)$")
    message(FATAL_ERROR "vk_test ${T_NAME}: LABEL must be unit, integration or e2e")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
  if(T_ENVIRONMENT)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
endfunction()
