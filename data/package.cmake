# The Debian package that scripts/package makes with CPack from the release configuration.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Quorvane developers")
set(CPACK_PACKAGE_CONTACT "Quorvane developers <dev@quorvane.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts the window's fallbacks for Palatino Linotype and Georgia rely on; it runs without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-urw-base35, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the evolution data of two Nintendo DS games")
set(description [=[
Quorvane edits the evolution table inside ROM images of two Nintendo DS
games: Pokemon Black (E), game code IRBO, and Pokemon Black 2 (U), game code
IREO. Open a ROM image in its window, choose a species and one of its
seven evolution slots, change the method, its parameter (a level, an item, a
move or a species) and the species it evolves into, and save that slot back
into the same file.

The ROM image is changed in place: a save writes at most the six bytes of one
slot and never changes the file's size. Any other file is refused, and the
program keeps no settings or files of its own.]=])
if("quorvane-cli" IN_LIST QUORVANE_PROGRAMS)
  string(APPEND description [=[


The command quorvane-cli, installed beside the editor, works on the whole
table: export writes it as CSV and import writes an edited file back; set
changes every slot that matches a rule; diff writes the differences between
two images as a change set, which import carries to another copy of the game,
slot by slot, and takes back with --reverse; show prints one species' slots;
graph writes the evolution families for Graphviz; check lists the evolutions a
player cannot perform or that look like mistakes. quorvane-sample writes a
sample image to try them on.]=])
endif()
# The summary comes first by itself; this is the text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${description}")

include(CPack)
