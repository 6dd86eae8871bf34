# The Windows program (mingw-w64 with Qt for Windows): its file properties, its program folder, and
# the target windows_packages that makes the installer and the zip from that folder.
#
#   cmake --install <build> --prefix <folder>     the program folder, flat: tackwisp.exe and beside it
#                                                 what it needs on a Windows without Qt
#   cmake --build <build> --target windows_packages
#       -> <build>/packages/tackwisp-<version>-win64-setup.exe   (NSIS, a per-user installation)
#          <build>/packages/tackwisp-<version>-win64.zip         (one folder tackwisp-<version>-win64/)
#
# Included by CMakeLists.txt on WIN32 after the targets are defined; uses its SHAPE_FILES and HELP_FILES.

# ---- file properties: icon, version, names (packaging/windows/tackwisp.rc.in) ----
enable_language(RC)
# The copyright line of the file properties, from the first "Copyright:" of packaging/copyright.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/copyright copyright_lines REGEX "^Copyright: ")
list(GET copyright_lines 0 copyright_line)
string(REGEX REPLACE "^Copyright: *" "" copyright_holder "${copyright_line}")
set(TACKWISP_RC_COPYRIGHT "Copyright © ${copyright_holder}")
set(TACKWISP_RC_ICON ${CMAKE_SOURCE_DIR}/packaging/icons/tackwisp.ico)
set(TACKWISP_RC_MANIFEST ${CMAKE_SOURCE_DIR}/packaging/windows/tackwisp.manifest)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/tackwisp.rc.in ${CMAKE_BINARY_DIR}/packaging/windows/tackwisp.rc @ONLY)
target_sources(tackwisp PRIVATE ${CMAKE_BINARY_DIR}/packaging/windows/tackwisp.rc)
# The resource compiler reads these files itself: a change of one rebuilds the resource.
set_source_files_properties(${CMAKE_BINARY_DIR}/packaging/windows/tackwisp.rc PROPERTIES
  OBJECT_DEPENDS "${TACKWISP_RC_ICON};${TACKWISP_RC_MANIFEST}")

# ---- the program folder ----
# Everything lies flat beside tackwisp.exe, where Qt looks first: its DLLs, its plugins in their
# folders (platforms/, styles/, imageformats/), its Japanese texts in translations/ (where
# platform/qt/qtjapanese.cpp looks), the mingw runtime DLLs that the program and Qt share, and the
# program's shape files and help. Qt takes the program's folder as its prefix when Qt6Core.dll lies
# beside the program without an import library, so no qt.conf is needed.
install(TARGETS tackwisp RUNTIME DESTINATION .)
install(FILES ${SHAPE_FILES} ${HELP_FILES} DESTINATION .)

# The Qt libraries the program links, and those they link in turn (windows_packages checks that
# every DLL a file of the folder imports is in the folder or part of Windows).
set(TACKWISP_QT_DLLS Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network Qt6::PrintSupport)
foreach(lib ${TACKWISP_QT_DLLS})
  install(FILES $<TARGET_FILE:${lib}> DESTINATION .)
endforeach()
# Plugins: the Windows platform, the native-looking style, and the decoders of the note background
# pictures other than BMP (which Qt reads itself): JPEG and GIF (window/background.h).
set(TACKWISP_QT_PLUGINS
  Qt6::QWindowsIntegrationPlugin platforms
  Qt6::QWindowsVistaStylePlugin styles
  Qt6::QJpegPlugin imageformats
  Qt6::QGifPlugin imageformats)
set(plugin_files "")
while(TACKWISP_QT_PLUGINS)
  list(POP_FRONT TACKWISP_QT_PLUGINS plugin folder)
  if(NOT TARGET ${plugin})
    message(FATAL_ERROR "The Qt for Windows in use has no ${plugin}: the program folder needs it")
  endif()
  install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${folder})
  list(APPEND plugin_files "${folder}/$<TARGET_FILE_NAME:${plugin}>")
endwhile()

# Qt's Japanese texts (qtbase_ja.qm): the same files on every system, taken from the Qt of the
# build machine (Debian: qt6-translations-l10n), whose version is the one built for Windows.
set(TACKWISP_QT_TRANSLATIONS "" CACHE PATH "Folder holding Qt's qtbase_ja.qm (empty: the one the build machine's Qt names)")
set(qt_translations "${TACKWISP_QT_TRANSLATIONS}")
if(NOT qt_translations)
  find_program(TACKWISP_HOST_QTPATHS NAMES qtpaths6 qtpaths
               HINTS "${QT_HOST_PATH}/bin" "${QT_HOST_PATH}/lib/qt6/bin" NO_CMAKE_FIND_ROOT_PATH)
  if(TACKWISP_HOST_QTPATHS)
    execute_process(COMMAND ${TACKWISP_HOST_QTPATHS} --query QT_INSTALL_TRANSLATIONS
                    OUTPUT_VARIABLE qt_translations OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()
if(NOT EXISTS "${qt_translations}/qtbase_ja.qm")
  message(FATAL_ERROR "Qt's Japanese translation qtbase_ja.qm was not found (looked in '${qt_translations}'): "
                      "install the build machine's Qt translations (Debian: qt6-translations-l10n) "
                      "or set TACKWISP_QT_TRANSLATIONS to a folder holding it")
endif()
install(FILES "${qt_translations}/qtbase_ja.qm" DESTINATION translations)

# The mingw runtime DLLs, from the compiler that built the program (and Qt).
set(TACKWISP_RUNTIME_DLLS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
set(runtime_dll_paths "")
foreach(dll ${TACKWISP_RUNTIME_DLLS})
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  # The compiler prints the bare name back when it does not know the file.
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
  endif()
  get_filename_component(path "${path}" REALPATH)
  list(APPEND runtime_dll_paths "${path}")
endforeach()
install(FILES ${runtime_dll_paths} DESTINATION .)

# Stripped as they are installed: the symbol tables are half the size of some of these files and
# nothing on a member's computer reads them.
option(TACKWISP_WINDOWS_STRIP "Strip the program and the DLLs as they are installed" ON)
if(TACKWISP_WINDOWS_STRIP AND CMAKE_STRIP)
  set(stripped tackwisp.exe ${TACKWISP_RUNTIME_DLLS} ${plugin_files})
  foreach(lib ${TACKWISP_QT_DLLS})
    list(APPEND stripped "$<TARGET_FILE_NAME:${lib}>")
  endforeach()
  install(CODE "
    foreach(f ${stripped})
      set(path \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${f}\")
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${path}\" RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR \"${CMAKE_STRIP} could not strip \${path}\")
      endif()
    endforeach()")
elseif(TACKWISP_WINDOWS_STRIP)
  message(STATUS "No strip for Windows binaries: the program folder is installed unstripped")
endif()

# ---- the installer and the zip ----
find_program(TACKWISP_MAKENSIS makensis)
set(package_name tackwisp-${PROJECT_VERSION}-win64)
# What the packaging script needs to know of this build; it is run by the target, not by CMake here.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/windows/settings.cmake CONTENT "\
set(BUILD_DIR \"${CMAKE_BINARY_DIR}\")
set(SOURCE_DIR \"${CMAKE_SOURCE_DIR}\")
set(VERSION \"${PROJECT_VERSION}\")
set(VERSION4 \"${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0\")
set(PACKAGE_NAME \"${package_name}\")
set(COPYRIGHT \"${TACKWISP_RC_COPYRIGHT}\")
set(MAKENSIS \"${TACKWISP_MAKENSIS}\")
set(OBJDUMP \"${CMAKE_OBJDUMP}\")
")
add_custom_target(windows_packages
  COMMAND ${CMAKE_COMMAND} -DSETTINGS=${CMAKE_BINARY_DIR}/packaging/windows/settings.cmake
          -P ${CMAKE_SOURCE_DIR}/packaging/windows/package.cmake
  COMMENT "The Windows installer and zip in ${CMAKE_BINARY_DIR}/packages"
  USES_TERMINAL VERBATIM)
add_dependencies(windows_packages tackwisp)
