# Installs the build into a fresh prefix as `cmake --install` does for a user, then checks what a
# Mac relies on: Skiro.app under Applications standing alone (Qt and its cocoa plugin inside, no
# path into Homebrew), signed, high-resolution, and a `skiro` command in bin that is a link to
# the bundle's executable and runs from there.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

set(app ${PREFIX}/Applications/Skiro.app)
file(READ ${app}/Contents/Info.plist info)
if(NOT info MATCHES "<key>NSHighResolutionCapable</key>[ \t\r\n]*<true/>")
  message(FATAL_ERROR "${app}'s Info.plist does not declare NSHighResolutionCapable")
endif()
execute_process(COMMAND ${CHECK} ${app} RESULT_VARIABLE alone)
if(NOT alone EQUAL 0)
  message(FATAL_ERROR "${app} does not stand alone")
endif()
execute_process(COMMAND codesign --verify --deep --strict ${app} RESULT_VARIABLE signed)
if(NOT signed EQUAL 0)
  message(FATAL_ERROR "${app}'s signature does not verify")
endif()

set(command ${PREFIX}/bin/skiro)
file(REAL_PATH ${command} target)
file(REAL_PATH ${app}/Contents/MacOS/Skiro executable)
if(NOT IS_SYMLINK ${command} OR NOT target STREQUAL executable)
  message(FATAL_ERROR "${command} is not a link to ${app}'s executable")
endif()
# Through the link, from the bundle's own Qt: a command that needs no running application.
execute_process(COMMAND ${command} help RESULT_VARIABLE ran OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT ran EQUAL 0 OR NOT said MATCHES "Usage: skiro")
  message(FATAL_ERROR "${command} help did not run: ${said}")
endif()
