# Windows: the system's DLLs that are not among its known DLLs are never imported at load time,
# since the loader would look for them (and for what they import) in the program's folder first,
# where the store's users may create files. They are linked through delay-import libraries made
# here from mingw-w64's import libraries with dlltool (Debian's linker has no --delayload): the
# first call into one goes through the C runtime's delay-load helper, whose hook
# (platform/windows/SystemLibraries.cpp) loads the DLL by its full path in the system folder.
#
# Known DLLs on every Windows from 7 to 11, which the loader takes from the system folder only and
# which may stay load-time imports: kernel32, user32, gdi32, advapi32, ole32, oleaut32, shell32,
# shlwapi, msvcrt, ws2_32 (scripts/windows-tests.sh checks the programs import no other, but for
# comctl32, which the windows' manifest binds to the system's side-by-side copy). wininet was a
# known DLL up to Windows 8.1 only; version and crypt32 never were.

# tarrow_system_dll(<variable> <dll>): sets <variable> to the delay-import library of <dll>
# ("wininet"), to be linked in place of mingw-w64's import library of the same name.
function(tarrow_system_dll variable dll)
  if(NOT CMAKE_NM OR NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "the delay-import libraries need the toolchain's nm and dlltool")
  endif()
  set(import_library ${CMAKE_FIND_ROOT_PATH}/lib/lib${dll}.a)
  set(dir ${PROJECT_BINARY_DIR}/delayimp)
  set(archive ${dir}/lib${dll}-delay.a)
  if(NOT EXISTS ${archive} OR ${import_library} IS_NEWER_THAN ${archive})
    file(MAKE_DIRECTORY ${dir})
    # Every function of the import library: its thunk symbol (type T), "_Name@N" for i686's
    # stdcall, "Name" on x86-64.
    execute_process(COMMAND ${CMAKE_NM} ${import_library} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" thunks "${symbols}")
    set(exports)
    foreach(thunk ${thunks})
      string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${thunk}")
      if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        string(REGEX REPLACE "^_" "" name "${name}")
      endif()
      list(APPEND exports ${name})
    endforeach()
    list(REMOVE_DUPLICATES exports)
    list(LENGTH exports count)
    if(count EQUAL 0)
      message(FATAL_ERROR "no function found in ${import_library}")
    endif()
    list(JOIN exports "\n" lines)
    file(WRITE ${dir}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${lines}\n")
    # -k: the names looked up in the DLL lose i686's "@N", which only our side's symbols keep.
    execute_process(COMMAND ${CMAKE_DLLTOOL} -k -d ${dir}/${dll}.def -D ${dll}.dll -y ${archive}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(${variable} ${archive} PARENT_SCOPE)
endfunction()

# Every program that links <target> gets the hook, whether or not its own code calls into
# SystemLibraries.cpp: otherwise the linker would take the library's empty hook and the helper
# would load by the bare name.
function(tarrow_delay_load_hook target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(symbol ___pfnDliNotifyHook2)
  else()
    set(symbol __pfnDliNotifyHook2)
  endif()
  target_link_options(${target} INTERFACE "LINKER:--undefined=${symbol}")
endfunction()
