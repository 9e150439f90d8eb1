# The clock backends, the clock choice, the correction log and the time-of-day conversions.

# Daylight-saving changes are checked against a zone with known rules.
valtora_add_test(NAME test_hostclock SOURCES test_hostclock.cpp LINUX TIMEOUT 30)
set_tests_properties(test_hostclock PROPERTIES
    ENVIRONMENT_MODIFICATION "TZ=set:Europe/Berlin")

valtora_add_test(NAME test_clockselection SOURCES test_clockselection.cpp TIMEOUT 30)
set_tests_properties(test_clockselection PROPERTIES
    ENVIRONMENT_MODIFICATION "TZ=set:Europe/Berlin")

# The failure lines follow the regional formats; German ones make them predictable.
valtora_add_test(NAME test_correctionlog SOURCES test_correctionlog.cpp LINUX TIMEOUT 30)
set_tests_properties(test_correctionlog PROPERTIES
    ENVIRONMENT_MODIFICATION "LC_ALL=set:de_DE.UTF-8;LANG=set:de_DE.UTF-8")

valtora_add_test(NAME test_timeofday SOURCES test_timeofday.cpp TIMEOUT 30)
