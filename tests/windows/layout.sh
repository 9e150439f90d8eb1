# Where e2e_window.sh clicks, in pixels from the window's top-left corner, at 96 dpi with the
# free Tahoma faces of deploy/fonts under wine on a bare X server (no window manager).
SETUP_TAB=(0 0)  # "SET-UP" on the outer tab strip
SYSTEM_TAB=(0 0) # "SYSTEM" on the inner tab strip
SYSTEM_OK=(0 0)  # "OK" on the "SYSTEM" page
LABEL2=(8 32 513 57) # the large date and time: left, top, width, height
