# Installs the build into a fresh prefix, then checks what a desktop relies on: the executable
# with its user interface's library, and a desktop entry that validates and hands links of the
# scheme to the installed executable.
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
# The installed executable finds its user interface's library: run in a home of its own, it
# launches as far as answering on its socket, and is stopped there.
execute_process(
  COMMAND
    sh -c [[
      home=$1
      HOME=$home XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
        XDG_CONFIG_HOME=$home/config QT_QPA_PLATFORM=offscreen "$2" &
      app=$!
      for _ in $(seq 400); do
        [ -S "$home/data/Skiro/control.sock" ] || ! kill -0 $app 2>/dev/null && break
        sleep 0.05
      done
      [ -S "$home/data/Skiro/control.sock" ]
      listening=$?
      kill $app 2>/dev/null
      wait $app
      exit $listening]]
    sh ${PREFIX}/home ${PREFIX}/bin/skiro
  RESULT_VARIABLE launched OUTPUT_QUIET ERROR_VARIABLE said)
if(NOT launched EQUAL 0)
  message(FATAL_ERROR "the installed executable does not run the application: ${said}")
endif()
