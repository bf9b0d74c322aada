# Project-wide build settings and the test helper.

option(VK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VK_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(VK_BENCH "Build the benchmarks" ON)

add_compile_options(-Wall -Wextra)
if(VK_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Coverage for the fuzzers in every library they link.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
if(VK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# vk_test(NAME <name> LABEL unit|integration|e2e SOURCES ... [LIBS ...]
#         [ENVIRONMENT VAR=value ...] [TIMEOUT seconds] [LOCKS name ...])
# One GoogleTest program, run by CTest as one test with its label. Tests that
# name the same lock never run at the same time (for instance agents that
# listen on the default ports). A program that skipped a test (GTEST_SKIP)
# and failed none exits with 77, which CTest shows as skipped.
set(VK_TEST_SKIP_STATUS 77)
function(vk_test)
  if(NOT TARGET vk_gtest_main)
    add_library(vk_gtest_main STATIC ${PROJECT_SOURCE_DIR}/platform/testing/gtest_main.cpp)
    target_include_directories(vk_gtest_main PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(vk_gtest_main PUBLIC GTest::gtest)
    # GoogleTest and the standard headers the tests use are parsed once for
    # every test program: about half of a test file's compile time otherwise.
    target_precompile_headers(vk_gtest_main PRIVATE
      <gtest/gtest.h> <algorithm> <atomic> <chrono> <condition_variable> <filesystem>
      <fstream> <functional> <future> <map> <mutex> <string> <thread> <vector>)
  endif()
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT;LOCKS" ${ARGN})
  if(NOT T_LABEL MATCHES "^(unit|integration|e2e)$")
    message(FATAL_ERROR "vk_test ${T_NAME}: LABEL must be unit, integration or e2e")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} vk_gtest_main GTest::gtest Threads::Threads)
  # The header is built as position-independent code, as the Qt libraries
  # require of the programs using them; every test program is compiled the
  # same way, so that the header fits all of them (a header built with other
  # settings is only ignored, never used wrongly).
  target_compile_options(${T_NAME} PRIVATE -fPIC)
  target_precompile_headers(${T_NAME} REUSE_FROM vk_gtest_main)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
                       SKIP_RETURN_CODE ${VK_TEST_SKIP_STATUS})
  # No test reaches the machine's system bus (an agent would announce itself
  # through it); tests that need a bus start their own and name it.
  set(environment DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/vk-test-no-system-bus ${T_ENVIRONMENT})
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${environment}")
  if(T_LOCKS)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()

# vk_account_wrappers(<out-var> PASSWD <file> GROUP <file> [HOSTNAME <name>]
#                     [PAM_SERVICES <folder>])
# Sets <out-var> to the ENVIRONMENT entries that run a test against fake
# accounts: nss_wrapper with the given passwd and group files and, with
# PAM_SERVICES, pam_wrapper with that folder of service files. Under the
# sanitizers the ASan runtime is preloaded first, as it must be.
function(vk_account_wrappers var)
  cmake_parse_arguments(W "" "PASSWD;GROUP;HOSTNAME;PAM_SERVICES" "" ${ARGN})
  find_package(nss_wrapper REQUIRED)
  set(preload "")
  if(VK_SANITIZE)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                    OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
    list(APPEND preload ${asan_runtime})
  endif()
  set(env NSS_WRAPPER_PASSWD=${W_PASSWD} NSS_WRAPPER_GROUP=${W_GROUP})
  if(W_HOSTNAME)
    list(APPEND env NSS_WRAPPER_HOSTNAME=${W_HOSTNAME})
  endif()
  if(W_PAM_SERVICES)
    find_package(pam_wrapper REQUIRED)
    list(APPEND preload ${PAM_WRAPPER_LIBRARY})
    list(APPEND env PAM_WRAPPER=1 PAM_WRAPPER_SERVICE_DIR=${W_PAM_SERVICES})
    if(VK_SANITIZE)
      list(APPEND env PAM_WRAPPER_DISABLE_DEEPBIND=1)
    endif()
  endif()
  list(APPEND preload ${NSS_WRAPPER_LIBRARY})
  list(JOIN preload ":" preload)
  set(${var} LD_PRELOAD=${preload} ${env} PARENT_SCOPE)
endfunction()

# vk_pam_services(<folder> PASSDB <file>)
# Writes the PAM service files "viewkeeper" and "other" into <folder>, both
# checking passwords and accounts with pam_matrix against PASSDB.
function(vk_pam_services folder)
  cmake_parse_arguments(P "" "PASSDB" "" ${ARGN})
  find_package(pam_wrapper REQUIRED)
  set(matrix "${PAM_WRAPPER_MODULE_DIR}/pam_matrix.so passdb=${P_PASSDB}")
  file(WRITE ${folder}/viewkeeper "auth required ${matrix}\naccount required ${matrix}\n")
  file(WRITE ${folder}/other "auth required ${matrix}\naccount required ${matrix}\n")
endfunction()
