# cmake -DIN=page.in -DOUT=page -DKEY_SECTION=file -DKEY_NAMES=file -DPROJECT_VERSION=...
#   -DWADSCOPE_INSTALLED_FONT_FOLDER=... -P fill_manual.cmake: a manual page with the key table filled in.
file(READ ${KEY_SECTION} KEY_SECTION)
file(READ ${KEY_NAMES} KEY_NAMES)
configure_file(${IN} ${OUT} @ONLY)
