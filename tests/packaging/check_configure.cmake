# The configure step stops with one message naming what to install when a Qt
# module is missing, when Qt is too old, or when the version asked for is
# not one we build with.
include(${CMAKE_CURRENT_LIST_DIR}/expected_files.cmake)

# configure(<name> <expected-regex> cache-args...)
function(configure name expected)
  set(tree ${WORK}/configure-${name})
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${tree} -DBUILD_TESTING=OFF
                          -DKAVRIN_BENCH=OFF ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(REMOVE_RECURSE ${tree})
  string(REGEX MATCHALL "CMake Error" errors "${err}")
  list(LENGTH errors error_count)
  if(status EQUAL 0 OR NOT error_count EQUAL 1 OR NOT err MATCHES "${expected}")
    fail("${name}: status ${status}, ${error_count} errors, expected /${expected}/:\n${err}")
  endif()
endfunction()

set(serialport_5 libqt5serialport5-dev)
set(serialport_6 qt6-serialport-dev)
configure(missing-module "SerialPort.*install[ \n]+${serialport_${QT_MAJOR}}"
          -DKAVRIN_QT_MAJOR=${QT_MAJOR} -DCMAKE_DISABLE_FIND_PACKAGE_Qt${QT_MAJOR}SerialPort=ON)

# A Qt 5.9 that has every module.
set(fake ${WORK}/fake-qt5)
file(WRITE ${fake}/Qt5ConfigVersion.cmake
     "set(PACKAGE_VERSION 5.9.5)\nset(PACKAGE_VERSION_COMPATIBLE TRUE)\n")
file(WRITE ${fake}/Qt5Config.cmake [[
foreach(module IN LISTS Qt5_FIND_COMPONENTS)
  set(Qt5${module}_FOUND TRUE)
  add_library(Qt5::${module} INTERFACE IMPORTED)
endforeach()
set(Qt5Core_VERSION 5.9.5)
]])
configure(too-old "Qt 5.9.5 is too old.*5.12[ \n]+or[ \n]+later.*qt6-base-dev" -DKAVRIN_QT_MAJOR=5 -DQt5_DIR=${fake})
configure(bad-choice "KAVRIN_QT_MAJOR must be 5 or 6" -DKAVRIN_QT_MAJOR=4)
