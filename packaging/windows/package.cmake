# Makes the Windows installer and zip of the program folder (the target windows_packages):
#
#   cmake -DSETTINGS=<build>/packaging/windows/settings.cmake -P packaging/windows/package.cmake
#
# 1. installs the build into <build>/packaging/stage/tackwisp-<version>-win64 (cmake --install),
# 2. checks the folder: the files of the install manifest and nothing else, no build leftovers, and
#    every DLL that a program or DLL there imports is either beside it or part of Windows,
# 3. writes the installer's file lists from the manifest (the uninstaller deletes these files by
#    name) and runs makensis on packaging/windows/tackwisp.nsi,
# 4. zips the folder with its name as the one top folder,
# all into <build>/packages. Written by cmake/WindowsProgram.cmake, SETTINGS holds BUILD_DIR,
# SOURCE_DIR, VERSION, VERSION4, PACKAGE_NAME, COPYRIGHT, MAKENSIS and OBJDUMP.
cmake_minimum_required(VERSION 3.20)
include("${SETTINGS}")

set(stage_root "${BUILD_DIR}/packaging/stage")
set(folder "${stage_root}/${PACKAGE_NAME}")
set(out "${BUILD_DIR}/packages")
set(setup "${out}/${PACKAGE_NAME}-setup.exe")
set(zip "${out}/${PACKAGE_NAME}.zip")

# ---- 1. the program folder ----
file(REMOVE_RECURSE "${stage_root}")
file(MAKE_DIRECTORY "${out}")
file(REMOVE "${setup}" "${zip}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${folder}"
                OUTPUT_QUIET RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cmake --install ${BUILD_DIR} failed")
endif()

# ---- 2. what it holds ----
file(STRINGS "${BUILD_DIR}/install_manifest.txt" manifest)
set(files "")
foreach(path ${manifest})
  string(FIND "${path}" "${folder}/" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "The install manifest names ${path}, outside the program folder ${folder}")
  endif()
  file(RELATIVE_PATH rel "${folder}" "${path}")
  list(APPEND files "${rel}")
endforeach()
list(REMOVE_DUPLICATES files)
list(SORT files)
file(GLOB_RECURSE present RELATIVE "${folder}" "${folder}/*")
list(SORT present)
if(NOT present STREQUAL files)
  message(FATAL_ERROR "The program folder and its install manifest differ:\n  folder:   ${present}\n  manifest: ${files}")
endif()
foreach(rel ${files})
  if(rel MATCHES "\\.(a|lib|cmake|pdb|debug|prl|pc|h)$|/cmake/|/include/")
    message(FATAL_ERROR "${rel} is not for a member's computer, but is in the program folder")
  endif()
endforeach()
foreach(needed tackwisp.exe Qt6Core.dll platforms/qwindows.dll translations/qtbase_ja.qm)
  if(NOT needed IN_LIST files)
    message(FATAL_ERROR "The program folder has no ${needed}")
  endif()
endforeach()

# The DLLs a member's Windows brings itself (and api-ms-win-*, its API sets). Any other DLL that a
# file here imports must lie beside it: one that is missing only shows on a computer without the
# build's Qt and compiler, as a message box naming it.
set(windows_dlls
  advapi32 authz bcrypt comctl32 comdlg32 crypt32 d2d1 d3d11 d3d12 d3d9 dnsapi dwmapi dwrite dxgi
  gdi32 imm32 iphlpapi kernel32 mpr msvcrt ncrypt netapi32 ntdll ole32 oleaut32 secur32 setupapi
  shcore shell32 shlwapi user32 userenv uxtheme version winhttp winmm winspool.drv ws2_32 wtsapi32)
if(OBJDUMP)
  set(shipped "")
  foreach(rel ${files})
    get_filename_component(name "${rel}" NAME)
    string(TOLOWER "${name}" name)
    list(APPEND shipped "${name}")
  endforeach()
  foreach(rel ${files})
    if(NOT rel MATCHES "\\.(exe|dll)$")
      continue()
    endif()
    execute_process(COMMAND "${OBJDUMP}" -p "${folder}/${rel}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${OBJDUMP} cannot read ${rel}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
    foreach(line ${imports})
      string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
      string(STRIP "${dll}" dll)
      string(TOLOWER "${dll}" dll)
      string(REGEX REPLACE "\\.dll$" "" base "${dll}")
      if(dll IN_LIST shipped OR base IN_LIST windows_dlls OR dll IN_LIST windows_dlls OR dll MATCHES "^api-ms-win-")
        continue()
      endif()
      message(FATAL_ERROR "${rel} needs ${dll}, which is neither in the program folder nor part of Windows "
                          "(cmake/WindowsProgram.cmake installs the folder)")
    endforeach()
  endforeach()
else()
  message(WARNING "No objdump for Windows binaries: the DLLs the program needs are not checked")
endif()

# ---- 3. the installer ----
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis was not found (Debian: nsis); the installer cannot be made")
endif()
set(size 0)
set(install_lines "")
set(uninstall_lines "")
set(subfolders "")
set(current_dir "-")
foreach(rel ${files})
  file(SIZE "${folder}/${rel}" bytes)
  math(EXPR size "${size} + ${bytes}")
  get_filename_component(dir "${rel}" DIRECTORY)
  string(REPLACE "/" "\\" win_rel "${rel}")
  string(REPLACE "$" "$$" win_rel "${win_rel}")
  if(NOT dir STREQUAL current_dir)
    set(current_dir "${dir}")
    if(dir STREQUAL "")
      string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
    else()
      string(REPLACE "/" "\\" win_dir "${dir}")
      string(APPEND install_lines "SetOutPath \"$INSTDIR\\${win_dir}\"\n")
      # Each folder above it too, deepest first when removed.
      while(dir)
        list(APPEND subfolders "${dir}")
        get_filename_component(dir "${dir}" DIRECTORY)
      endwhile()
    endif()
  endif()
  string(APPEND install_lines "File \"${folder}/${rel}\"\n")
  string(APPEND uninstall_lines "Delete \"$INSTDIR\\${win_rel}\"\n")
endforeach()
list(REMOVE_DUPLICATES subfolders)
list(SORT subfolders)
list(REVERSE subfolders)   # "a/b" before "a"
foreach(dir ${subfolders})
  string(REPLACE "/" "\\" win_dir "${dir}")
  string(APPEND uninstall_lines "RMDir \"$INSTDIR\\${win_dir}\"\n")
endforeach()
math(EXPR size_kb "(${size} + 1023) / 1024")

set(nsis_dir "${BUILD_DIR}/packaging/windows")
file(WRITE "${nsis_dir}/files-install.nsh" "${install_lines}")
file(WRITE "${nsis_dir}/files-uninstall.nsh" "${uninstall_lines}")
file(WRITE "${nsis_dir}/package.nsh" "\
!define VERSION \"${VERSION}\"
!define VERSION4 \"${VERSION4}\"
!define COPYRIGHT \"${COPYRIGHT}\"
!define SIZE_KB ${size_kb}
!define ICON \"${SOURCE_DIR}/packaging/icons/tackwisp.ico\"
!define OUTFILE \"${setup}\"
!define FILES_NSH \"${nsis_dir}/files-install.nsh\"
!define UNFILES_NSH \"${nsis_dir}/files-uninstall.nsh\"
")
execute_process(COMMAND "${MAKENSIS}" -V2 -INPUTCHARSET UTF8 "-DPACKAGE_NSH=${nsis_dir}/package.nsh"
                        "${SOURCE_DIR}/packaging/windows/tackwisp.nsi"
                RESULT_VARIABLE failed)
if(failed OR NOT EXISTS "${setup}")
  message(FATAL_ERROR "makensis could not make ${setup}")
endif()

# ---- 4. the zip ----
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${zip}" --format=zip "${PACKAGE_NAME}"
                WORKING_DIRECTORY "${stage_root}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "The zip ${zip} could not be made")
endif()

list(LENGTH files count)
file(SIZE "${setup}" setup_bytes)
file(SIZE "${zip}" zip_bytes)
function(mib bytes out)   # "12.3 MiB"
  math(EXPR tenths "${bytes} * 10 / 1048576")
  math(EXPR whole "${tenths} / 10")
  math(EXPR tenth "${tenths} % 10")
  set(${out} "${whole}.${tenth} MiB" PARENT_SCOPE)
endfunction()
mib(${size} folder_mib)
mib(${setup_bytes} setup_mib)
mib(${zip_bytes} zip_mib)
message(STATUS "Program folder: ${count} files, ${size} bytes (${folder_mib}): ${folder}")
message(STATUS "Installer: ${setup_bytes} bytes (${setup_mib}): ${setup}")
message(STATUS "Zip: ${zip_bytes} bytes (${zip_mib}): ${zip}")
