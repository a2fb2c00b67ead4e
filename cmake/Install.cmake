# Installing, per user. The program finds data.enc in its own folder (through /proc/self/exe, so also
# when started through the link in bin/), so program, help and vault share one folder, which only
# its owner may open and which no build step touches: <prefix>/share/keyshelf. A prefix outside the
# user's home is refused, since a program there could not save its vault.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT AND NOT "$ENV{HOME}" STREQUAL "")
    set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH "Install prefix (Keyshelf installs per user)" FORCE)
endif()
include(GNUInstallDirs)
set(KEYSHELF_INSTALL_DIR "${CMAKE_INSTALL_DATADIR}/keyshelf")
file(RELATIVE_PATH KEYSHELF_LINK_TARGET "/p/${CMAKE_INSTALL_BINDIR}" "/p/${KEYSHELF_INSTALL_DIR}/keyshelf")

# One install rule for every file (the folders added above install nothing), run for every component:
# cmake/KeyshelfInstall.cmake checks every destination before anything is copied and never writes
# through a file or link found there, which install(TARGETS/FILES) would.
# The band's renderer, in a build with the banner, goes beside the program, which starts it from there.
set(keyshelf_band_file "")
if(TARGET keyshelf-band)
    set(keyshelf_band_file "$<TARGET_FILE:keyshelf-band>")
endif()
install(CODE "
    set(keyshelf_program [==[$<TARGET_FILE:keyshelf>]==])
    set(keyshelf_band [==[${keyshelf_band_file}]==])
    set(keyshelf_help [==[${CMAKE_SOURCE_DIR}/Help.rtf]==])
    set(keyshelf_manual [==[${CMAKE_SOURCE_DIR}/docs/keyshelf.1]==])
    set(keyshelf_cli [==[$<TARGET_FILE:keyshelf-cli>]==])
    set(keyshelf_cli_manual [==[${CMAKE_SOURCE_DIR}/docs/keyshelf-cli.1]==])
    set(keyshelf_cli_completion [==[${CMAKE_SOURCE_DIR}/cli/keyshelf-cli.bash]==])
    set(keyshelf_icons [==[${keyshelf_icons}]==])
    set(keyshelf_install_dir [==[${KEYSHELF_INSTALL_DIR}]==])
    set(keyshelf_bindir [==[${CMAKE_INSTALL_BINDIR}]==])
    set(keyshelf_datadir [==[${CMAKE_INSTALL_DATADIR}]==])
    set(keyshelf_mandir [==[${CMAKE_INSTALL_MANDIR}]==])
    set(keyshelf_link_target [==[${KEYSHELF_LINK_TARGET}]==])
    set(keyshelf_product [==[${KEYSHELF_PRODUCT_NAME}]==])
    set(keyshelf_strip [==[${CMAKE_STRIP}]==])
    set(keyshelf_manifest [==[${CMAKE_BINARY_DIR}/install_manifest.txt]==])
    include([==[${CMAKE_SOURCE_DIR}/cmake/KeyshelfInstall.cmake]==])
" ALL_COMPONENTS)

# Removes what the last install put down, never the vault (cmake --build build --target uninstall).
add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
        -DPROGRAM_DIR=${KEYSHELF_INSTALL_DIR} -DBIN_DIR=${CMAKE_INSTALL_BINDIR}
        -DLINK_TARGET=${KEYSHELF_LINK_TARGET} -P ${CMAKE_SOURCE_DIR}/cmake/Uninstall.cmake
    USES_TERMINAL VERBATIM)
