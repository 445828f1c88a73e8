# Run at install time (cmake/install.cmake): fails when an installed program
# imports a DLL that Windows does not ship. CHIZRO_OBJDUMP is the MinGW
# objdump, CHIZRO_PROGRAMS the programs' names without ".exe".
set(allowed KERNEL32 USER32 GDI32 GDIPLUS COMDLG32 COMCTL32 SHELL32 ADVAPI32 OLE32 MSVCRT
            WS2_32 BCRYPT CRYPT32 SHLWAPI UXTHEME)
foreach(program IN LISTS CHIZRO_PROGRAMS)
  set(exe "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${program}.exe")
  execute_process(COMMAND "${CHIZRO_OBJDUMP}" -p "${exe}"
                  OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read the imports of ${exe}")
  endif()
  string(REGEX MATCHALL "\tDLL Name: [^\n]+" imports "${headers}")
  set(bad)
  foreach(import IN LISTS imports)
    string(REGEX REPLACE "^\tDLL Name: " "" dll "${import}")
    string(TOUPPER "${dll}" name)
    string(REGEX REPLACE "\\.DLL$" "" name "${name}")
    list(FIND allowed "${name}" found)
    if(found EQUAL -1)
      list(APPEND bad "${dll}")
    endif()
  endforeach()
  if(bad)
    string(REPLACE ";" " " bad "${bad}")
    message(FATAL_ERROR "${program}.exe needs DLLs that Windows lacks: ${bad}")
  endif()
endforeach()
