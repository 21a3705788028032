# The installed files, relative to the prefix (Linux layout).
set(expected_files
  bin/Kavrin
  bin/kavrin-cli
  bin/kavrin-shutter-simulator
  share/kavrin/help.chm
  share/doc/kavrin/copyright
  share/applications/${APP_ID}.desktop
  share/metainfo/${APP_ID}.metainfo.xml)
foreach(page index connect modes parameters schemes log errors cli control)
  list(APPEND expected_files share/kavrin/help/${page}.html)
endforeach()
list(APPEND expected_files share/kavrin/help/help.css)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND expected_files share/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
endforeach()

function(fail)
  string(JOIN "" message ${ARGN})
  message(FATAL_ERROR "${message}")
endfunction()

# require_in(<what> <text> <piece>...): fails unless the text holds every piece.
function(require_in what text)
  foreach(piece IN LISTS ARGN)
    string(FIND "${text}" "${piece}" at)
    if(at LESS 0)
      fail("${what} lacks '${piece}':\n${text}")
    endif()
  endforeach()
endfunction()

# run(<output-var> command...): runs it, fails the test on a non-zero status.
function(run output)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    string(JOIN " " command ${ARGN})
    fail("${command} failed (${status}):\n${out}")
  endif()
  set(${output} "${out}" PARENT_SCOPE)
endfunction()

function(need_program var name package)
  find_program(${var} ${name})
  if(NOT ${var})
    fail("${name} is needed for this test (Debian/Ubuntu: apt install ${package})")
  endif()
endfunction()
