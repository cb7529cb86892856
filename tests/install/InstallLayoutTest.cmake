# cmake -DBUILD_DIR=... -DWORK_DIR=... -DBINDIR=bin -DDATADIR=share -DGUIDE_DIR=docs/guide
#       [-DDESKTOP_FILE_VALIDATE=...] [-DMAN_PAGE=share/man/man1/ekaldo-cli.1.gz] [-DAPPSTREAMCLI=...]
#       -P InstallLayoutTest.cmake
# Installs the build into a fresh prefix, checks what lands where, and runs the
# installed ekaldo-cli from that prefix for a new user: the data folder with
# the demo school appears in the user's data folder on the first start only.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}\n${err}")
endif()

set(bin "${prefix}/${BINDIR}")
set(share "${prefix}/${DATADIR}")
foreach(program ekaldo ekaldo-cli)
  if(NOT EXISTS "${bin}/${program}" OR IS_DIRECTORY "${bin}/${program}")
    message(FATAL_ERROR "${bin}/${program} was not installed")
  endif()
endforeach()
foreach(file ekaldo/Zentik.hlp applications/ekaldo.desktop mime/packages/ekaldo.xml
             metainfo/gr.ekaldo.ekaldo.metainfo.xml
             icons/hicolor/48x48/mimetypes/application-x-ekaldo-grades.png
             icons/hicolor/48x48/mimetypes/application-x-ekaldo-template.png)
  if(NOT EXISTS "${share}/${file}")
    message(FATAL_ERROR "${share}/${file} was not installed")
  endif()
endforeach()
# The user guide sits in a folder beside the help file, as in the build tree.
if(EXISTS "${GUIDE_DIR}/index.html")
  foreach(guide "${share}/ekaldo/guide/index.html" "${BUILD_DIR}/app/guide/index.html")
    if(NOT EXISTS "${guide}")
      message(FATAL_ERROR "the user guide is missing: ${guide}")
    endif()
  endforeach()
endif()
# The manual page of ekaldo-cli, compressed as Debian keeps manual pages.
if(MAN_PAGE)
  if(NOT EXISTS "${prefix}/${MAN_PAGE}")
    message(FATAL_ERROR "the manual page of ekaldo-cli was not installed: ${prefix}/${MAN_PAGE}")
  endif()
  file(READ "${prefix}/${MAN_PAGE}" man HEX LIMIT 4)
  if(NOT man STREQUAL "1f8b0800")
    message(FATAL_ERROR "${prefix}/${MAN_PAGE} is not compressed")
  endif()
endif()
# Nothing of the user's belongs beside the programs.
file(GLOB beside RELATIVE "${bin}" "${bin}/*")
list(SORT beside)
if(NOT beside STREQUAL "ekaldo;ekaldo-cli")
  message(FATAL_ERROR "${bin} holds ${beside}, not just the two programs")
endif()

file(READ "${share}/applications/ekaldo.desktop" desktop)
foreach(line "Exec=ekaldo %f" "Icon=ekaldo" "Categories=Office;Education;" "Name[el]=e-Κάλντο"
             "MimeType=application/x-ekaldo-grades;application/x-ekaldo-template;")
  string(FIND "${desktop}" "\n${line}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "the desktop file lacks the line ${line}")
  endif()
endforeach()
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${share}/applications/ekaldo.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate rejects the desktop file:\n${out}${err}")
  endif()
endif()

# The file kinds the desktop file opens are the ones the package defines.
file(READ "${share}/mime/packages/ekaldo.xml" mime)
foreach(fragment "type=\"application/x-ekaldo-grades\"" "pattern=\"*.agd\"" "type=\"application/x-ekaldo-template\""
                 "pattern=\"*.agt\"")
  string(FIND "${mime}" "${fragment}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the MIME package lacks ${fragment}")
  endif()
endforeach()
if(APPSTREAMCLI)
  execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net "${share}/metainfo/gr.ekaldo.ekaldo.metainfo.xml"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "appstreamcli rejects the metadata:\n${out}${err}")
  endif()
endif()

# Each icon is a PNG of the size its folder names.
file(GLOB icons "${share}/icons/hicolor/*/apps/ekaldo.png" "${share}/icons/hicolor/*/mimetypes/*.png")
list(LENGTH icons count)
if(count LESS 3)
  message(FATAL_ERROR "only ${count} icon sizes installed under ${share}/icons/hicolor")
endif()
foreach(icon IN LISTS icons)
  get_filename_component(size_dir "${icon}" DIRECTORY)
  get_filename_component(size_dir "${size_dir}" DIRECTORY)
  get_filename_component(size_name "${size_dir}" NAME)
  string(REGEX MATCH "^([0-9]+)x([0-9]+)$" matched "${size_name}")
  if(NOT matched OR NOT CMAKE_MATCH_1 STREQUAL CMAKE_MATCH_2)
    message(FATAL_ERROR "icon folder ${size_name} is not a square size")
  endif()
  set(expected "${CMAKE_MATCH_1}")
  file(READ "${icon}" head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 0 16 signature)
  string(SUBSTRING "${head}" 32 8 width)
  string(SUBSTRING "${head}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL expected OR NOT height EQUAL expected)
    message(FATAL_ERROR "${icon} is not a ${expected}x${expected} PNG (${signature}, ${width}x${height})")
  endif()
endforeach()

# A new user of the installed tool.
set(home "${WORK_DIR}/home")
file(MAKE_DIRECTORY "${home}")
set(data "${home}/.local/share/ekaldo")
set(run_env "${CMAKE_COMMAND}" -E env --unset=XDG_DATA_HOME --unset=XDG_CONFIG_HOME "HOME=${home}"
            QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8)
execute_process(COMMAND ${run_env} "${bin}/ekaldo-cli" years
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "first run of the installed ekaldo-cli failed (${rc}):\n${out}\n${err}")
endif()
string(FIND "${out}" "Καλώς ήρθατε" welcome)
string(FIND "${out}" "\"${data}\"" where)
string(FIND "${out}" "Σχ.Έτος 2025-2026" year)
if(welcome LESS 0 OR where LESS 0 OR year LESS 0)
  message(FATAL_ERROR "the first run does not say where the data folder is or lacks the demo year:\n${out}\n${err}")
endif()
foreach(folder Imports Exports Templates MV202526.SYR)
  if(NOT IS_DIRECTORY "${data}/${folder}")
    message(FATAL_ERROR "${data}/${folder} was not made on the first run")
  endif()
endforeach()
execute_process(COMMAND ${run_env} "${bin}/ekaldo-cli" whoami --year 2025-2026
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${out}" "Καλώς ήρθατε" welcome)
if(NOT rc EQUAL 0 OR welcome GREATER_EQUAL 0)
  message(FATAL_ERROR "the second run should open the demo year silently (${rc}):\n${out}\n${err}")
endif()
file(GLOB beside RELATIVE "${bin}" "${bin}/*")
list(SORT beside)
if(NOT beside STREQUAL "ekaldo;ekaldo-cli")
  message(FATAL_ERROR "the runs wrote into ${bin}: ${beside}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
