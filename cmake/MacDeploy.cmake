# Makes an installed bundle stand alone, then signs it: macdeployqt copies in Qt, its cocoa
# platform plugin and every other library from outside the system (fmt, Qt's own Homebrew
# dependencies) and points each reference at the copy. Run by the install step with:
#   APP, IDENTIFIER, IDENTITY  as for MacSign.cmake
#   MACDEPLOYQT                the tool
#   LIBRARY_PATHS              where references by @rpath are found (Qt's libraries)
#   LIBRARIES                  libraries the executable loads at run time rather than at launch
set(deploy "${MACDEPLOYQT}" "${APP}" -always-overwrite)
foreach(path IN LISTS LIBRARY_PATHS)
  list(APPEND deploy "-libpath=${path}")
endforeach()
foreach(library IN LISTS LIBRARIES)
  list(APPEND deploy "-executable=${library}")
endforeach()
message(STATUS "Deploying Qt into ${APP}")
execute_process(COMMAND ${deploy} RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
# macdeployqt reports a library it could not copy as an error yet still exits with 0.
if(failed OR said MATCHES "ERROR")
  message(FATAL_ERROR "macdeployqt could not make ${APP} stand alone:\n${said}")
endif()

set(RUNTIME ON)
include("${CMAKE_CURRENT_LIST_DIR}/MacSign.cmake")
