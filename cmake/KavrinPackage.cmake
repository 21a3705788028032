# Packages: `cpack -G DEB` on Debian/Ubuntu; on Windows a ZIP (and an NSIS
# installer where NSIS is installed) with the Qt libraries that windeployqt
# copies beside the program at install time.

set(CPACK_PACKAGE_NAME kavrin)
set(CPACK_PACKAGE_VENDOR "Halvo")
set(CPACK_PACKAGE_CONTACT "Kavrin developers <kavrin@halvo.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Drive an optical shutter controller over a serial line")
set(CPACK_PACKAGE_DESCRIPTION "\
Kavrin drives an optical shutter controller over a serial line: manual, automatic\n\
and external-trigger modes, open and close times, cycle counts, named parameter\n\
sets and a daily log. kavrin-cli does the same for scripts;\n\
kavrin-shutter-simulator stands in for the controller on a pseudo-terminal.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.halvo.example.com")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kavrin)
set(CPACK_STRIP_FILES ON)

# Debian: the Qt libraries come from dpkg-shlibdeps; what it cannot see is
# named here: the Chinese font every text needs and, for Qt 6, the platform
# plugins (Qt 5 ships them with libqt5gui5).
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei")
if(KAVRIN_QT_VERSION_MAJOR EQUAL 6)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins")
endif()
# The help opens through xdg-open: in a CHM viewer if one is installed, else
# its HTML pages in the browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xchm | kchmviewer")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  find_program(KAVRIN_MAKENSIS makensis)
  if(KAVRIN_MAKENSIS)
    list(APPEND CPACK_GENERATOR NSIS)
  endif()
  set(CPACK_NSIS_DISPLAY_NAME Kavrin)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/ui/images/kavrin.ico)
  set(CPACK_PACKAGE_EXECUTABLES "Kavrin;Kavrin")

  # windeployqt sits beside qmake/moc in Qt's bin folder.
  get_target_property(kavrin_qmake Qt${KAVRIN_QT_VERSION_MAJOR}::qmake LOCATION)
  get_filename_component(kavrin_qt_bin "${kavrin_qmake}" DIRECTORY)
  find_program(KAVRIN_WINDEPLOYQT windeployqt HINTS "${kavrin_qt_bin}")
  if(KAVRIN_WINDEPLOYQT)
    install(CODE "
      execute_process(COMMAND \"${KAVRIN_WINDEPLOYQT}\" --no-translations --no-compiler-runtime
                              --dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
                              \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/Kavrin.exe\"
                              \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kavrin-cli.exe\"
                      RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR \"windeployqt failed: \${status}\")
      endif()")
  else()
    message(WARNING "windeployqt not found beside ${kavrin_qmake}: the install will lack the Qt DLLs")
  endif()
  # The compiler's run-time DLLs (MSVC or MinGW) beside the program.
  set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
  include(InstallRequiredSystemLibraries)
else()
  set(CPACK_GENERATOR DEB)
endif()

include(CPack)
