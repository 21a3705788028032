# Finds Qt 6, or Qt 5 (5.12 or later) when there is no complete Qt 6;
# KAVRIN_QT_MAJOR forces either. The code links to versionless targets
# (Qt::Core, ...), which Qt before 5.15 does not define: they are made here.
# A missing module or a Qt too old stops the configure step with one message
# that names what to install.

set(KAVRIN_QT_MAJOR "" CACHE STRING "Qt major version to build with: 5 or 6 (empty: Qt 6 when complete, else Qt 5)")
set_property(CACHE KAVRIN_QT_MAJOR PROPERTY STRINGS "" 5 6)

set(kavrin_qt_min_5 5.12)
set(kavrin_qt_min_6 6.2)
# The Debian/Ubuntu packages that hold each module's CMake files.
set(kavrin_qt_base_5 qtbase5-dev)
set(kavrin_qt_base_6 qt6-base-dev)
set(kavrin_qt_serialport_5 libqt5serialport5-dev)
set(kavrin_qt_serialport_6 qt6-serialport-dev)

# True when Qt 6 has every component, judged by its package files alone:
# loading a half Qt 6 would define Qt::Core before a fall-back to Qt 5.
function(kavrin_qt6_complete components result)
  set(${result} FALSE PARENT_SCOPE)
  find_package(Qt6 CONFIG QUIET)
  if(NOT Qt6_FOUND OR Qt6_VERSION VERSION_LESS kavrin_qt_min_6)
    return()
  endif()
  foreach(component IN LISTS components)
    if(NOT EXISTS "${Qt6_DIR}/../Qt6${component}/Qt6${component}Config.cmake")
      return()
    endif()
  endforeach()
  set(${result} TRUE PARENT_SCOPE)
endfunction()

macro(kavrin_use_qt)
  set(kavrin_qt_components ${ARGN})
  if(KAVRIN_QT_MAJOR STREQUAL "")
    kavrin_qt6_complete("${kavrin_qt_components}" kavrin_qt6)
    if(kavrin_qt6)
      set(KAVRIN_QT_VERSION_MAJOR 6)
    else()
      set(KAVRIN_QT_VERSION_MAJOR 5)
    endif()
  elseif(KAVRIN_QT_MAJOR MATCHES "^[56]$")
    set(KAVRIN_QT_VERSION_MAJOR ${KAVRIN_QT_MAJOR})
  else()
    message(FATAL_ERROR "KAVRIN_QT_MAJOR must be 5 or 6, not '${KAVRIN_QT_MAJOR}'.")
  endif()

  set(kavrin_qt Qt${KAVRIN_QT_VERSION_MAJOR})
  find_package(${kavrin_qt} QUIET COMPONENTS ${kavrin_qt_components})
  set(kavrin_qt_missing)
  set(kavrin_qt_packages)
  foreach(component IN LISTS kavrin_qt_components)
    if(NOT ${kavrin_qt}${component}_FOUND)
      list(APPEND kavrin_qt_missing ${component})
      if(component STREQUAL "SerialPort")
        list(APPEND kavrin_qt_packages ${kavrin_qt_serialport_${KAVRIN_QT_VERSION_MAJOR}})
      else()
        list(APPEND kavrin_qt_packages ${kavrin_qt_base_${KAVRIN_QT_VERSION_MAJOR}})
      endif()
    endif()
  endforeach()
  if(kavrin_qt_missing)
    list(REMOVE_DUPLICATES kavrin_qt_packages)
    list(JOIN kavrin_qt_missing ", " kavrin_qt_missing)
    list(JOIN kavrin_qt_packages " " kavrin_qt_packages)
    set(kavrin_qt_other "")
    if(KAVRIN_QT_MAJOR STREQUAL "")
      set(kavrin_qt_other " (or, for Qt 6, ${kavrin_qt_base_6} ${kavrin_qt_serialport_6})")
    endif()
    message(FATAL_ERROR "Qt ${KAVRIN_QT_VERSION_MAJOR} was not found with the module(s) ${kavrin_qt_missing}. "
      "On Debian/Ubuntu install ${kavrin_qt_packages}${kavrin_qt_other}. Elsewhere, point "
      "CMAKE_PREFIX_PATH at a Qt ${kavrin_qt_min_${KAVRIN_QT_VERSION_MAJOR}} or later that has them.")
  endif()
  set(KAVRIN_QT_VERSION ${${kavrin_qt}Core_VERSION})
  if(KAVRIN_QT_VERSION VERSION_LESS kavrin_qt_min_${KAVRIN_QT_VERSION_MAJOR})
    message(FATAL_ERROR "Qt ${KAVRIN_QT_VERSION} is too old: Kavrin needs Qt "
      "${kavrin_qt_min_${KAVRIN_QT_VERSION_MAJOR}} or later. On Debian/Ubuntu install "
      "${kavrin_qt_base_6} ${kavrin_qt_serialport_6} (Qt 6) from a newer release.")
  endif()

  # Qt before 5.15 has only the Qt5:: names.
  foreach(component IN LISTS kavrin_qt_components)
    if(NOT TARGET Qt::${component})
      add_library(Qt::${component} INTERFACE IMPORTED)
      set_target_properties(Qt::${component} PROPERTIES INTERFACE_LINK_LIBRARIES ${kavrin_qt}::${component})
    endif()
  endforeach()
  message(STATUS "Building with Qt ${KAVRIN_QT_VERSION}")
endmacro()
