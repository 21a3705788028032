# Installs into a temporary prefix, checks the files, and validates the
# desktop entry and the AppStream metadata as a software centre would.
include(${CMAKE_CURRENT_LIST_DIR}/expected_files.cmake)
need_program(desktop_validate desktop-file-validate desktop-file-utils)
need_program(appstreamcli appstreamcli appstream)

set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${prefix})
run(out ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
list(SORT installed)
set(expected ${expected_files})
list(SORT expected)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " installed "${installed}")
  string(REPLACE ";" "\n  " expected "${expected}")
  fail("installed:\n  ${installed}\nexpected:\n  ${expected}")
endif()
foreach(program Kavrin kavrin-cli kavrin-shutter-simulator)
  execute_process(COMMAND test -x ${prefix}/bin/${program} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    fail("${program} is not executable")
  endif()
endforeach()
# The installed command-line program runs without the build tree beside it.
run(usage ${prefix}/bin/kavrin-cli ports)

set(entry ${prefix}/share/applications/${APP_ID}.desktop)
run(out ${desktop_validate} ${entry})
if(out MATCHES "warning|error")
  fail("desktop-file-validate: ${out}")
endif()
file(STRINGS ${entry} lines)
require_in(${entry} "${lines}" "Exec=Kavrin" "Icon=${APP_ID}" "Name[zh_CN]=" "Comment[zh_CN]="
           "Categories=Science")

set(metainfo ${prefix}/share/metainfo/${APP_ID}.metainfo.xml)
run(out ${appstreamcli} validate --no-net --explain ${metainfo})
file(READ ${metainfo} xml)
require_in(${metainfo} "${xml}" "<id>${APP_ID}</id>" "<binary>Kavrin</binary>"
           "<launchable type=\"desktop-id\">${APP_ID}.desktop</launchable>" "<name xml:lang=\"zh-CN\">")
