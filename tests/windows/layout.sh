# Where e2e_window.sh looks and clicks, in pixels from the window's top-left corner (its menu
# bar included), at 96 dpi with the free Tahoma faces under wine on a bare X server (no window
# manager, so no frame). The twips of the layout table over 15, plus the menu bar's 21 pixels.
LABEL2=(8 53 513 57) # the large date and time: left, top, width, height
SETUP_TAB=(128 30)   # "SET-UP" on the outer tab strip
SYSTEM_TAB=(76 63)   # "SYSTEM" on the inner tab strip
SYSTEM_OK=(416 257)  # "OK" on the "SYSTEM" page
