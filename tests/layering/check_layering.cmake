# The arrows of the house, checked on the sources and on the built program:
#   app/, book/, lock/, info/ -> framework/ (public headers only) -> Qt, SQLite,
#   and, through the audio back end that the framework loads when it is first
#   needed (framework/audio/module/, built as a module of its own), the audio.
# The build already hides Qt and SDL from the program (they are linked PRIVATE
# and live outside the default include path); sqlite3.h and fluidsynth.h do
# not, so a source check keeps those out too.
# Run with -DSOURCE_DIR=... -DPROGRAM=path/to/kestrion -DAUDIO_MODULE=path/to/the/module.

set(failures "")

# Includes that only the framework's own .cpp files, its qt/ side and the
# database's sqlite/ side may use.
set(foreign "<Q[A-Za-z]|<sqlite3|<SDL|<fluidsynth|framework/qt/|framework/testing/|framework/audio/|framework/database/sqlite/")

file(GLOB_RECURSE program_files
     ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/book/*.cpp ${SOURCE_DIR}/book/*.h
     ${SOURCE_DIR}/lock/*.cpp ${SOURCE_DIR}/lock/*.h ${SOURCE_DIR}/info/*.cpp ${SOURCE_DIR}/info/*.h)
file(GLOB_RECURSE framework_headers ${SOURCE_DIR}/framework/*.h)
list(FILTER framework_headers EXCLUDE REGEX "/framework/(qt|testing|database/sqlite|audio/module)/")

foreach(f ${program_files} ${framework_headers})
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    if(line MATCHES "${foreign}")
      # A public framework header may name another framework header, never Qt's.
      if(f MATCHES "/framework/" AND line MATCHES "framework/audio/")
        continue()
      endif()
      file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
      string(APPEND failures "  ${rel}: ${line}\n")
    endif()
  endforeach()
endforeach()

# Only the audio back end's own sources name SDL or FluidSynth.
file(GLOB_RECURSE framework_sources ${SOURCE_DIR}/framework/*.cpp ${SOURCE_DIR}/framework/*.h)
list(FILTER framework_sources EXCLUDE REGEX "/framework/audio/module/")
foreach(f ${framework_sources})
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*<(SDL|fluidsynth)")
  foreach(line ${lines})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
    string(APPEND failures "  ${rel}: ${line} (only framework/audio/module/ may)\n")
  endforeach()
endforeach()

# The shipped program carries no test driver: it needs no Qt Test library. Nor
# does it load the audio stack at its start: the back end does, when loaded.
execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE dyn RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  string(APPEND failures "  readelf failed on ${PROGRAM}\n")
else()
  if(dyn MATCHES "Qt6Test")
    string(APPEND failures "  ${PROGRAM} needs libQt6Test\n")
  endif()
  if(dyn MATCHES "NEEDED[^\n]*(SDL|fluidsynth)")
    string(APPEND failures "  ${PROGRAM} is linked with the audio stack (${CMAKE_MATCH_1})\n")
  endif()
endif()
execute_process(COMMAND readelf -d ${AUDIO_MODULE} OUTPUT_VARIABLE dyn RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  string(APPEND failures "  readelf failed on the audio back end ${AUDIO_MODULE}\n")
else()
  if(NOT dyn MATCHES "SDL2_mixer" OR NOT dyn MATCHES "fluidsynth")
    string(APPEND failures "  the audio back end ${AUDIO_MODULE} is not linked with SDL_mixer and FluidSynth\n")
  endif()
  if(dyn MATCHES "Qt6")
    string(APPEND failures "  the audio back end ${AUDIO_MODULE} needs Qt\n")
  endif()
endif()
execute_process(COMMAND nm -C ${PROGRAM} OUTPUT_VARIABLE syms RESULT_VARIABLE rc)
if(rc EQUAL 0 AND syms MATCHES "fw::testing::")
  string(APPEND failures "  ${PROGRAM} contains fw::testing code\n")
endif()

if(failures)
  message(FATAL_ERROR "The layering is broken:\n${failures}")
endif()
message(STATUS "layering holds: ${PROGRAM}")
