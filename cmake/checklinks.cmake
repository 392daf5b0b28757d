# SPDX-License-Identifier: GPL-3.0-or-later
# Refuses to configure when a plain C++ layer (the engines, the file and
# study libraries, the analysis, the command line's readers) links a Qt library, directly
# or through another target.
function(tidmar_qt_links target result)
  set(found "")
  get_target_property(libraries ${target} LINK_LIBRARIES)
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  foreach(library IN LISTS libraries interface)
    if(library MATCHES "^Qt[0-9]*::|^Qt[0-9]*[A-Z]")
      list(APPEND found "${library}")
    elseif(TARGET ${library} AND NOT library MATCHES "::")
      tidmar_qt_links(${library} inner)
      list(APPEND found ${inner})
    endif()
  endforeach()
  set(${result} ${found} PARENT_SCOPE)
endfunction()

foreach(target engine analysis fileio study commandline)
  tidmar_qt_links(${target} qt)
  if(qt)
    list(REMOVE_DUPLICATES qt)
    message(FATAL_ERROR "${target} must not link Qt, but links ${qt}")
  endif()
endforeach()
