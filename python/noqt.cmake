# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when the module MODULE loads a Qt library (ldd lists libQt6...).
execute_process(COMMAND ldd ${MODULE} OUTPUT_VARIABLE libraries RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd ${MODULE} failed")
endif()
if(libraries MATCHES "libQt[0-9]*[A-Za-z]*")
  message(FATAL_ERROR "the module loads ${CMAKE_MATCH_0}:\n${libraries}")
endif()
