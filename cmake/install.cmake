# What an installed chizro holds, and the zip package made from it by CPack.
#
# The layout is the one JW_CAD users unpack: one folder with the programs,
# the definition files in def\ beside them (they are looked up beside the
# executable), and on Windows PROJ's database, the batch file that JW_CAD
# starts and a README in Shift_JIS:
#
#   chizro/chizro.exe chizro-convert.exe chizro-enclist.exe chizro.bat
#          proj.db README.txt def/...
#
#   cpack --config build-windows/chizro/CPackConfig.cmake
#
# makes chizro.zip (a top folder "chizro"); scripts/build-windows.sh puts it
# into dist/chizro-windows-x64.zip. Targets are named here, wherever they are
# defined; the executables are stripped in the package.

set(CHIZRO_INSTALLED_PROGRAMS)
foreach(program chizro chizro-convert chizro-enclist)
  if(TARGET ${program})
    list(APPEND CHIZRO_INSTALLED_PROGRAMS ${program})
  endif()
endforeach()
install(TARGETS ${CHIZRO_INSTALLED_PROGRAMS} RUNTIME DESTINATION .)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/def/ DESTINATION def
        PATTERN ".keep" EXCLUDE)

if(WIN32)
  # PROJ's database from the cross-built libraries: the Windows programs
  # look for it beside themselves.
  install(FILES ${CHIZRO_WIN_PREFIX}/share/proj/proj.db DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/jwcad/chizro.bat DESTINATION .)

  # Notepad on a Japanese Windows reads Shift_JIS with CR LF best.
  find_program(CHIZRO_ICONV iconv REQUIRED)
  set(CHIZRO_README_TXT ${CMAKE_BINARY_DIR}/jwcad/README.txt)
  add_custom_command(OUTPUT ${CHIZRO_README_TXT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/jwcad
    COMMAND sh -c "'${CHIZRO_ICONV}' -f UTF-8 -t CP932 '${CMAKE_SOURCE_DIR}/jwcad/README-ja.txt' | sed 's/$/\\r/' >'${CHIZRO_README_TXT}'"
    DEPENDS ${CMAKE_SOURCE_DIR}/jwcad/README-ja.txt
    COMMENT "README.txt in Shift_JIS with CR LF"
    VERBATIM)
  add_custom_target(chizro_readme ALL DEPENDS ${CHIZRO_README_TXT})
  install(FILES ${CHIZRO_README_TXT} DESTINATION .)

  # No DLL beyond what every Windows has: the GCC runtime, libstdc++ and the
  # libraries are all linked statically, and a program that still imports
  # another DLL would not start on a user's machine.
  install(CODE "
    set(CHIZRO_OBJDUMP \"${CMAKE_OBJDUMP}\")
    set(CHIZRO_PROGRAMS \"${CHIZRO_INSTALLED_PROGRAMS}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/check-windows-imports.cmake\")")
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME chizro)
set(CPACK_PACKAGE_FILE_NAME chizro)
# The archive holds the folder "chizro" itself, with its own entry.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /chizro)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
