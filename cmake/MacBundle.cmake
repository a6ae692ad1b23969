# Skiro.app: signed after every build, so that `make run` opens a bundle the system accepts;
# installed with Qt deployed into it and signed again; packed by cpack into a disk image.
# Included from src/ on macOS, after the SkiroApp target.

# Empty: $SKIRO_CODESIGN_IDENTITY at build time; still empty: ad hoc (see MacSign.cmake).
set(SKIRO_CODESIGN_IDENTITY "" CACHE STRING "Signing identity for Skiro.app")
set(skiro_sign_script ${CMAKE_SOURCE_DIR}/cmake/MacSign.cmake)

# SKIRO_BUNDLE_LIBRARIES, set before this file is included, names the project's library targets
# that the executable loads at run time rather than at launch: each is copied into the bundle's
# Frameworks, and macdeployqt deploys what it needs as well.

add_custom_command(
  TARGET SkiroApp
  POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DAPP=$<TARGET_BUNDLE_DIR:SkiroApp>
          -DIDENTIFIER=${SKIRO_BUNDLE_IDENTIFIER} "-DIDENTITY=${SKIRO_CODESIGN_IDENTITY}" -P
          ${skiro_sign_script}
  VERBATIM)

find_program(SKIRO_MACDEPLOYQT macdeployqt HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} REQUIRED)
set(skiro_app_name ${PROJECT_NAME}.app)

# The bundle at `destination` under the prefix, made to stand alone and signed.
function(skiro_install_bundle destination)
  if(destination STREQUAL ".")
    set(app ${skiro_app_name})
  else()
    set(app ${destination}/${skiro_app_name})
  endif()
  install(TARGETS SkiroApp BUNDLE DESTINATION ${destination} ${ARGN})
  set(libraries)
  foreach(library IN LISTS SKIRO_BUNDLE_LIBRARIES)
    install(TARGETS ${library} LIBRARY DESTINATION ${app}/Contents/Frameworks ${ARGN})
    list(APPEND libraries "\${APP}/Contents/Frameworks/$<TARGET_FILE_NAME:${library}>")
  endforeach()
  install(
    CODE "set(APP \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${app}\")
          set(IDENTIFIER \"${SKIRO_BUNDLE_IDENTIFIER}\")
          set(IDENTITY \"${SKIRO_CODESIGN_IDENTITY}\")
          set(MACDEPLOYQT \"${SKIRO_MACDEPLOYQT}\")
          set(LIBRARY_PATHS \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_LIBS}\")
          set(LIBRARIES \"${libraries}\")
          include(\"${CMAKE_SOURCE_DIR}/cmake/MacDeploy.cmake\")"
    ${ARGN})
endfunction()

# `cmake --install`: the application where Launch Services and the login item expect it, and the
# command line as a link to the executable inside it.
skiro_install_bundle(Applications)
install(CODE "set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
              file(MAKE_DIRECTORY \"\${bin}\")
              file(CREATE_LINK ../Applications/${skiro_app_name}/Contents/MacOS/${PROJECT_NAME}
                   \"\${bin}/skiro\" SYMBOLIC)")

# The disk image holds the application at its top, beside a link to /Applications; it installs
# only its own component, which a plain install leaves out.
skiro_install_bundle(. COMPONENT DiskImage EXCLUDE_FROM_ALL)
set(CPACK_GENERATOR DragNDrop)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR ${PROJECT_NAME})
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION})
set(CPACK_DMG_VOLUME_NAME ${PROJECT_NAME})
set(CPACK_INSTALL_CMAKE_PROJECTS ${CMAKE_BINARY_DIR} ${PROJECT_NAME} DiskImage /)
include(CPack)
