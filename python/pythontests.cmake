# SPDX-License-Identifier: GPL-3.0-or-later
# The pytest tests, one CTest test per file; the exactness tests compare with
# the tidmar-batch of the same build.
set(python_environment
  PYTHONPATH=${CMAKE_CURRENT_BINARY_DIR}
  TIDMAR_BATCH=$<TARGET_FILE:tidmar-batch>
  PYTHONDONTWRITEBYTECODE=1)
set(python_skip "")
if(TIDMAR_SANITIZE)
  # The interpreter is not built with AddressSanitizer: its runtime must be
  # loaded first, with the C++ library whose exceptions it intercepts, and
  # the interpreter's own allocations are never freed.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                  OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++.so
                  OUTPUT_VARIABLE cxx_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(EXISTS "${asan_runtime}" AND EXISTS "${cxx_runtime}")
    list(APPEND python_environment "LD_PRELOAD=${asan_runtime}:${cxx_runtime}" ASAN_OPTIONS=detect_leaks=0)
  else()
    message(STATUS "Python tests: skipped, no AddressSanitizer runtime to preload")
    set(python_skip TRUE)
  endif()
endif()

if(NOT python_skip)
  file(GLOB test_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/test_*.py)
  foreach(test_file ${test_files})
    get_filename_component(name ${test_file} NAME_WE)
    string(REPLACE "test_" "python." test_name ${name})
    add_test(NAME ${test_name}
             COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider ${test_file})
    set_tests_properties(${test_name} PROPERTIES ENVIRONMENT "${python_environment}")
  endforeach()
endif()

# The module loads no Qt: it links only the plain C++ libraries.
add_test(NAME python.noqt COMMAND ${CMAKE_COMMAND} -DMODULE=$<TARGET_FILE:_tidmar>
                                  -P ${CMAKE_CURRENT_SOURCE_DIR}/noqt.cmake)

# The module installed into venvs by cmake --install and by pip (which builds
# it again); the optimised build only, as the interpreter there runs without
# the sanitizers' runtime.
if(NOT TIDMAR_SANITIZE)
  add_test(NAME install.python
           COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/check_python_install.sh ${PROJECT_BINARY_DIR}
                   ${PROJECT_SOURCE_DIR} ${Python3_EXECUTABLE} pip)
  set_tests_properties(install.python PROPERTIES TIMEOUT 1800)
endif()
