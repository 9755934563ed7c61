# Installing the Linux programs like any other: binaries, desktop entries,
# icon, AppStream metainfo, man pages, the drivers loaded at boot, and a
# Debian package made by CPack (scripts/package).
include(GNUInstallDirs)

set(KOVIR_APP_ID rs.kovir.Kovir)
set(here ${CMAKE_CURRENT_LIST_DIR})
set(out ${CMAKE_BINARY_DIR}/packaging)

# kovir-guard beside the programs, which start it from there.
install(TARGETS kovir-sim kovir-vcd kovir-guard RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kovir)
    install(TARGETS kovir RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET kovir-board)
    install(TARGETS kovir-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${here}/${KOVIR_APP_ID}.desktop ${here}/rs.kovir.KovirSim.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${here}/${KOVIR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${here}/icons/${KOVIR_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 32 48 64 128)
    install(FILES ${here}/icons/${KOVIR_APP_ID}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KOVIR_APP_ID}.png)
endforeach()
# ppdev gives the port its /dev/parport* file; without it the port cannot be opened.
install(FILES ${here}/kovir-modules.conf DESTINATION lib/modules-load.d RENAME kovir.conf)
# A kovir board's device node, open to the user at the seat, and no serial port.
install(FILES ${here}/60-kovir.rules DESTINATION lib/udev/rules.d)

# Man pages and the changelog compressed as Debian wants them (-n: no name
# or time stamp, so the same sources make the same package).
set(compressed)
foreach(file kovir.1 kovir-sim.1 kovir-vcd.1 kovir-board.1 kovir-guard.1 changelog)
    add_custom_command(OUTPUT ${out}/${file}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
        COMMAND gzip -9n -c ${here}/${file} > ${out}/${file}.gz
        DEPENDS ${here}/${file} VERBATIM)
    list(APPEND compressed ${out}/${file}.gz)
endforeach()
add_custom_target(kovir_packaging_files ALL DEPENDS ${compressed})
install(FILES ${out}/kovir.1.gz ${out}/kovir-sim.1.gz ${out}/kovir-vcd.1.gz ${out}/kovir-board.1.gz
              ${out}/kovir-guard.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${out}/changelog.gz ${here}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kovir)
set(CPACK_PACKAGE_VENDOR "kovir developers")
set(CPACK_PACKAGE_CONTACT "kovir developers <razvoj@kovir.rs>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kovir.rs/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drive a small motorised device on a PC parallel port")
set(CPACK_PACKAGE_DESCRIPTION "\
kovir is the desktop program with which an operator drives a small
motorised device, the kovir, wired to a PC parallel port. Four direction
buttons, a stop button and a sound button put command bytes on the port's
eight data lines. The window is in Serbian.

kovir-sim runs the same window on a simulated port and prints every port
write on standard output, to try the program without the device.
kovir-vcd turns that output into a Value Change Dump, to see the data
lines in PulseView or GTKWave.

A USB bit-bang board (FT232R, FT245R, FT232H) wired to the device's connector
drives it on a PC without a parallel port, once kovir-board has prepared it
(kovir as its product description); no other FTDI device is touched. Its udev
rule gives the user at the seat access to such boards only.

The package loads the parport_pc and ppdev drivers at boot. To use the
port, join the group lp (sudo usermod -aG lp $USER, then log in again),
and keep the lp printer driver off the port that drives the device
(sudo modprobe -r lp; blacklist lp in /etc/modprobe.d/).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-roboto-unhinted)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
