# Installing on Linux: the programs, the menu entry, the icons, the login start entry and the
# README, under the usual paths; and the Debian package made from that by CPack.
include(GNUInstallDirs)

install(TARGETS valtora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET valtora-sim)
    install(TARGETS valtora-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES valtora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48)
    install(FILES icons/valtora-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME valtora.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/valtora.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Started at every login, like every notification-area utility; the desktop's own
# autostart settings turn it off for a user. Desktops look for it in /etc/xdg whatever the
# prefix of the programs.
set(VALTORA_AUTOSTART_DIR /etc/xdg/autostart CACHE PATH "Where the login start entry goes")
install(FILES valtora-autostart.desktop
    DESTINATION ${VALTORA_AUTOSTART_DIR} RENAME valtora.desktop)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/valtora)
# The reference-clock service for machines without a desktop: installed, never enabled by the
# package (systemctl enable --now valtora-refclock@ttyUSB0). Its user comes from sysusers.d;
# the chrony files are examples to copy.
if(TARGET valtora-refclock)
    install(TARGETS valtora-refclock RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES valtora-refclock@.service DESTINATION lib/systemd/system)
    install(FILES valtora-refclock.sysusers DESTINATION lib/sysusers.d
        RENAME valtora-refclock.conf)
    install(FILES chrony-valtora.conf chrony-service-valtora-refclock.conf
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/valtora/examples)
endif()

# What Debian asks of every package: the copyright, the changelog and a manual page for each
# program, the last two compressed the reproducible way (no name or time in the gzip header).
if(UNIX)
    install(FILES copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/valtora)
    set(compressed)
    configure_file(changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
    set(pages valtora.1)
    if(TARGET valtora-sim)
        list(APPEND pages valtora-sim.1)
    endif()
    if(TARGET valtora-refclock)
        list(APPEND pages valtora-refclock.8)
    endif()
    foreach(page IN LISTS pages)
        configure_file(man/${page} ${CMAKE_CURRENT_BINARY_DIR}/man/${page} @ONLY)
        list(APPEND compressed man/${page})
    endforeach()
    list(APPEND compressed changelog)
    set(outputs)
    foreach(file IN LISTS compressed)
        add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${file}.gz
            COMMAND sh -c "gzip -9nc \"$1\" > \"$1.gz\"" sh ${CMAKE_CURRENT_BINARY_DIR}/${file}
            DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${file}
            VERBATIM)
        list(APPEND outputs ${CMAKE_CURRENT_BINARY_DIR}/${file}.gz)
    endforeach()
    add_custom_target(valtora_package_documents ALL DEPENDS ${outputs})
    # Each page to the section its name ends in.
    foreach(page IN LISTS pages)
        string(REGEX REPLACE "^.*\\." "" section ${page})
        install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
    endforeach()
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/valtora)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME valtora)
set(CPACK_PACKAGE_VENDOR VALTORA)
# No mail host of our own yet: the reserved top-level domain says so, instead of a host that
# mail tools would take for a real one.
set(CPACK_PACKAGE_CONTACT "VALTORA developers <valtora@valtora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Keeps the computer's clock right from a time receiver on a serial port")
# The extended description, in lines short enough for package tools to show unwrapped.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "VALTORA reads the frames of a time receiver on a serial port, shows the\n"
    "received date and time in large type and, when correction is turned on,\n"
    "sets the computer's clock from it every chosen number of seconds, only while\n"
    "the receiver is alive and its last three times were one second apart. Every\n"
    "correction goes to a log. It can also hand every received second to chrony\n"
    "as a reference clock. Only the members of the group valtora can run it, and\n"
    "so set the clock.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The login start entry has an absolute path: stage it with the rest, never in this /etc.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries come from the programs themselves; setcap is what the install script uses.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin")
# The login start entry is the administrator's to change or turn off: dpkg keeps such a
# change over an upgrade, as it does for every file in /etc.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/postinst
    ${CMAKE_CURRENT_SOURCE_DIR}/postrm ${CMAKE_CURRENT_SOURCE_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
