# Signs a Mac bundle, the code it carries first (libraries, frameworks, plug-ins), then the
# application with its bundle identifier. Run with cmake -P, or included with the variables set:
#   APP         the .app folder
#   IDENTIFIER  the bundle identifier
#   IDENTITY    a signing identity; empty: $ENV{SKIRO_CODESIGN_IDENTITY}; still empty: ad hoc
#   RUNTIME     ON: the hardened runtime, for a bundle that carries its own Qt (with an identity)
# An ad hoc signature is a hash of the code: it changes at every build, and so does what the
# Accessibility permission was granted to. A stable identity keeps the grant across builds.
if(NOT IDENTITY)
  set(IDENTITY "$ENV{SKIRO_CODESIGN_IDENTITY}")
endif()
if(IDENTITY)
  set(sign --force --sign "${IDENTITY}")
  # The hardened runtime's library validation accepts only libraries signed by the same team:
  # a build-tree bundle that loads Homebrew's Qt is signed without it.
  if(RUNTIME)
    list(APPEND sign --options runtime --timestamp)
  endif()
else()
  set(sign --force --sign -)
endif()

function(sign_code path)
  execute_process(COMMAND codesign ${sign} ${ARGN} "${path}" RESULT_VARIABLE failed
                  ERROR_VARIABLE said)
  if(failed)
    message(FATAL_ERROR "codesign could not sign ${path}: ${said}")
  endif()
endfunction()

file(GLOB_RECURSE libraries "${APP}/Contents/Frameworks/*.dylib" "${APP}/Contents/PlugIns/*.dylib")
list(FILTER libraries EXCLUDE REGEX "\\.framework/")
file(GLOB frameworks "${APP}/Contents/Frameworks/*.framework")
foreach(code IN LISTS libraries frameworks)
  sign_code("${code}")
endforeach()
sign_code("${APP}" --identifier "${IDENTIFIER}")
