# Installs the build into a fresh prefix, then checks what a desktop relies on: the executable,
# and a desktop entry that validates and hands links of the scheme to the installed executable.
# Then once more under DESTDIR, as a package is built: the files land in the staging folder and
# still name the prefix.
file(REMOVE_RECURSE ${PREFIX} ${PREFIX}-stage)
foreach(destdir "" ${PREFIX}-stage)
  if(destdir STREQUAL "")
    set(prefix ${PREFIX})
  else()
    set(prefix /opt/skiro-installation-test)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${destdir}
                          ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                  RESULT_VARIABLE installed OUTPUT_QUIET)
  if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (DESTDIR '${destdir}')")
  endif()
  if(NOT EXISTS ${destdir}${prefix}/bin/skiro)
    message(FATAL_ERROR "no executable in ${destdir}${prefix}/bin")
  endif()
  set(entry ${destdir}${prefix}/share/applications/${ENTRY})
  execute_process(COMMAND ${VALIDATE} ${entry} RESULT_VARIABLE valid OUTPUT_VARIABLE said
                  ERROR_VARIABLE said)
  if(NOT valid EQUAL 0 OR NOT said STREQUAL "")
    message(FATAL_ERROR "${entry} does not validate: ${said}")
  endif()
  file(STRINGS ${entry} mime REGEX "^MimeType=")
  file(STRINGS ${entry} exec REGEX "^Exec=")
  if(NOT mime MATCHES "^MimeType=x-scheme-handler/skiro" OR
     NOT exec STREQUAL "Exec=${prefix}/bin/skiro %u")
    message(FATAL_ERROR "${entry} does not hand skiro links to ${prefix}/bin/skiro: ${exec}")
  endif()
endforeach()
