# Windows: build/deploy/ is a folder that runs as it is (valtora.exe, the Qt libraries and
# plugins it loads, the compiler's runtime libraries, the free Tahoma faces), made at every
# build. The setup program and the zip are made from it by CPack:
#   cpack -G NSIS   VALTORA-<version>-win64-setup.exe
#   cpack -G ZIP    VALTORA-<version>-win64.zip
set(VALTORA_DEPLOY_DIR ${CMAKE_BINARY_DIR}/deploy)

# The compiler's own runtime libraries, wherever this compiler keeps them.
set(runtime_libraries)
foreach(library libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${library}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
        list(APPEND runtime_libraries ${path})
    endif()
endforeach()

# Debian's fonts-wine: the free Tahoma and Small Fonts the layout asks for, for systems that
# lack them (Wine's own prefix does; Windows has its own Tahoma).
set(VALTORA_FREE_FONTS_DIR /usr/share/wine/fonts CACHE PATH "Where the free Tahoma faces are")
set(free_fonts)
foreach(font tahoma.ttf tahomabd.ttf small_fonts.ttf)
    if(EXISTS ${VALTORA_FREE_FONTS_DIR}/${font})
        list(APPEND free_fonts ${VALTORA_FREE_FONTS_DIR}/${font})
    endif()
endforeach()

set(qt_libraries Core Gui Widgets Network SerialPort Charts)
set(qt_library_files)
foreach(library IN LISTS qt_libraries)
    list(APPEND qt_library_files $<TARGET_FILE:Qt6::${library}>)
endforeach()

add_custom_target(valtora_deploy ALL
    COMMAND ${CMAKE_COMMAND}
        -DDEPLOY_DIR=${VALTORA_DEPLOY_DIR}
        -DPROGRAM=$<TARGET_FILE:valtora>
        "-DLIBRARIES=${qt_library_files};${runtime_libraries}"
        -DPLATFORM_PLUGIN=$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
        -DSTYLE_PLUGIN=$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>
        "-DFONTS=${free_fonts}"
        -DFONT_COPYRIGHT=/usr/share/doc/fonts-wine/copyright
        -DSTRIP=${CMAKE_STRIP}
        -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/deploy.cmake
    DEPENDS valtora
    COMMENT "Deploying valtora.exe with its libraries into ${VALTORA_DEPLOY_DIR}"
    VERBATIM)

# Only what the deployment put there: a logfile.txt that a run of deploy/valtora.exe left
# beside it is the user's, not the package's.
install(DIRECTORY ${VALTORA_DEPLOY_DIR}/ DESTINATION .
    FILES_MATCHING PATTERN "*.exe" PATTERN "*.dll" PATTERN "*.ttf" PATTERN "COPYRIGHT.txt")

set(CPACK_GENERATOR NSIS ZIP)
# The NSIS commands below hold quotes and semicolons.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME VALTORA)
set(CPACK_PACKAGE_VENDOR VALTORA)
set(CPACK_PACKAGE_CONTACT "VALTORA developers <valtora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Keeps the computer's clock right from a time receiver on a serial port")
set(CPACK_PACKAGE_FILE_NAME VALTORA-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY VALTORA)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY VALTORA)
set(CPACK_PACKAGE_EXECUTABLES valtora VALTORA)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/windows/cpackoptions.cmake)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# This is a 64-bit program; the 64-bit installer also keeps it out of WOW64's redirections.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_PACKAGE_NAME VALTORA)
set(CPACK_NSIS_DISPLAY_NAME VALTORA)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/resources/valtora.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/resources/valtora.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME valtora.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN valtora.exe)
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/windows/signin-install.nsh CPACK_NSIS_EXTRA_INSTALL_COMMANDS)
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/windows/signin-uninstall.nsh
    CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS)
include(CPack)
