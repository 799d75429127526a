# The layering the build keeps: each library folder includes only itself
# and the folders below it, in this order: platform, foundation, graphics,
# sound, world, location, units, society, script, ui, hud, net, app, menus,
# consoles, game (the network client sits below the application that
# creates it; the executable's entry above everything). Only platform/ sees
# the system's SDL, GL, OpenAL, FFmpeg, FreeType, ENet and socket headers; the
# Ogg Vorbis headers stay inside sound's sources. tools/, tests/ and bench/ may include anything.
#
#     cmake -DSOURCE_DIR=<root> -P tools/check_layering.cmake
#     cmake -P tools/check_layering.cmake -- --help
#
# Folders that do not exist yet are in the table already, so that a new
# folder is checked from its first file. A folder the root CMakeLists.txt
# builds (add_subdirectory) must be in the table (or among the unchecked
# ones), and a folder of the table it builds must exist: a renamed or
# mistyped folder is refused rather than passed over unchecked.

set(_lower_platform "")
set(_lower_foundation platform)
set(_lower_graphics platform foundation)
set(_lower_sound platform foundation)
set(_lower_world platform foundation graphics sound)
set(_lower_location ${_lower_world} world)
set(_lower_units ${_lower_location} location)
set(_lower_society ${_lower_units} units)
set(_lower_script ${_lower_society} society)
set(_lower_ui ${_lower_script} script)
set(_lower_hud ${_lower_script} script ui)
# The network client needs only the world and below; the application and
# the menus above it call it.
set(_lower_net ${_lower_world} world)
set(_lower_app ${_lower_hud} hud net)
set(_lower_menus ${_lower_app} app)
set(_lower_consoles ${_lower_menus} menus)
# The executable's entry calls every library's class registration.
set(_lower_game ${_lower_consoles} consoles)
# Where a lower subsystem calls up into a higher one (the world tells the
# game of its events), the lower one declares the interface and holds the
# pointer; the higher one implements and installs it. No folder includes
# one above it.
set(_folders platform foundation graphics sound world location units society script ui hud net app menus
             consoles game)
set(_unchecked tools tests bench)

# System headers only platform/ may include.
set(_platform_only "^(SDL|GL/|AL/|libav|libsw|ft2build|freetype|enet/|sys/socket|netinet/|arpa/inet|netdb)")
# Codec headers only sound's sources (never its headers) may include.
set(_sound_sources_only "^(vorbis/|ogg/)")

set(_usage "usage: cmake -DSOURCE_DIR=<source root> -P tools/check_layering.cmake
Checks that every folder includes only the folders below it and that only
platform/ sees the system's media and socket headers.")
math(EXPR _last "${CMAKE_ARGC} - 1")
foreach(_i RANGE 1 ${_last})
  if(CMAKE_ARGV${_i} STREQUAL "--help" OR CMAKE_ARGV${_i} STREQUAL "-h")
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${_usage}")
    return()
  endif()
endforeach()
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check_layering: pass -DSOURCE_DIR=<source root>\n${_usage}")
endif()
if(NOT EXISTS "${SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "check_layering: ${SOURCE_DIR} is not a source root (no CMakeLists.txt there)")
endif()

set(_faults 0)
# The folders the root CMakeLists.txt builds.
file(STRINGS "${SOURCE_DIR}/CMakeLists.txt" _lines REGEX "^[ \t]*add_subdirectory[ \t]*\\(")
set(_built "")
foreach(_line IN LISTS _lines)
  if(_line MATCHES "add_subdirectory[ \t]*\\([ \t]*([A-Za-z0-9_]+)")
    list(APPEND _built "${CMAKE_MATCH_1}")
  endif()
endforeach()
foreach(_folder IN LISTS _built)
  list(FIND _folders "${_folder}" _in_table)
  list(FIND _unchecked "${_folder}" _is_unchecked)
  if(_in_table EQUAL -1 AND _is_unchecked EQUAL -1)
    message(SEND_ERROR "${_folder}/ is built but not in the layering table: its includes would go unchecked")
    math(EXPR _faults "${_faults} + 1")
  endif()
endforeach()

foreach(_folder IN LISTS _folders)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${_folder}")
    list(FIND _built "${_folder}" _is_built)
    if(NOT _is_built EQUAL -1)
      message(SEND_ERROR "${_folder}/ is in the layering table and built, but there is no such folder")
      math(EXPR _faults "${_faults} + 1")
    endif()
    continue()
  endif()
  set(_allowed ${_folder} ${_lower_${_folder}})
  file(GLOB_RECURSE _files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${_folder}/*.h" "${SOURCE_DIR}/${_folder}/*.hpp"
       "${SOURCE_DIR}/${_folder}/*.cpp" "${SOURCE_DIR}/${_folder}/*.c")
  foreach(_file IN LISTS _files)
    file(STRINGS "${SOURCE_DIR}/${_file}" _lines REGEX "^[ \t]*#[ \t]*include")
    foreach(_line IN LISTS _lines)
      if(_line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/")
        set(_target "${CMAKE_MATCH_1}")
        list(FIND _folders "${_target}" _is_folder)
        list(FIND _unchecked "${_target}" _is_unchecked)
        if(_is_folder EQUAL -1 AND _is_unchecked EQUAL -1)
          continue() # a subfolder of the file's own folder
        endif()
        list(FIND _allowed "${_target}" _ok)
        if(_ok EQUAL -1)
          string(STRIP "${_line}" _line)
          string(REPLACE ";" ", " _list "${_lower_${_folder}}")
          message(SEND_ERROR "${_file}: ${_line}: ${_folder}/ may include only ${_list}")
          math(EXPR _faults "${_faults} + 1")
        endif()
      elseif(_line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
        set(_header "${CMAKE_MATCH_1}")
        if(NOT _folder STREQUAL "platform" AND _header MATCHES "${_platform_only}")
          message(SEND_ERROR "${_file}: <${_header}>: only platform/ includes system graphics, sound, video, font and socket headers")
          math(EXPR _faults "${_faults} + 1")
        endif()
        if(_header MATCHES "${_sound_sources_only}" AND NOT (_folder STREQUAL "sound" AND _file MATCHES "\\.(cpp|c)$"))
          message(SEND_ERROR "${_file}: <${_header}>: the codec headers stay inside sound's sources")
          math(EXPR _faults "${_faults} + 1")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(_faults GREATER 0)
  message(FATAL_ERROR "check_layering: ${_faults} fault(s) against the layering")
endif()
message(STATUS "check_layering: every include keeps the layering")
