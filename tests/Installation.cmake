# Installs the build into a fresh prefix, then checks what a desktop relies on: the executable,
# and a desktop entry that validates and hands links of the scheme to it.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
if(NOT EXISTS ${PREFIX}/bin/skiro)
  message(FATAL_ERROR "no executable in ${PREFIX}/bin")
endif()
set(entry ${PREFIX}/share/applications/${ENTRY})
execute_process(COMMAND ${VALIDATE} ${entry} RESULT_VARIABLE valid OUTPUT_VARIABLE said
                ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR NOT said STREQUAL "")
  message(FATAL_ERROR "${entry} does not validate: ${said}")
endif()
file(STRINGS ${entry} mime REGEX "^MimeType=")
file(STRINGS ${entry} exec REGEX "^Exec=")
if(NOT mime MATCHES "^MimeType=x-scheme-handler/skiro" OR NOT exec MATCHES "/skiro %u$")
  message(FATAL_ERROR "${entry} does not hand skiro links to the executable")
endif()
