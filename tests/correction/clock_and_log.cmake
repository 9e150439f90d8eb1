# The host clock in real time zones (set by the test), the clock choice and the correction log.
valtora_add_test(NAME test_hostclock SOURCES test_hostclock.cpp LINUX TIMEOUT 30)

# The failure lines follow the regional formats; German ones make them predictable.
valtora_add_test(NAME test_correctionlog SOURCES test_correctionlog.cpp LINUX TIMEOUT 30)
if(TEST test_correctionlog)
    set_tests_properties(test_correctionlog PROPERTIES
        ENVIRONMENT_MODIFICATION "LC_ALL=set:de_DE.UTF-8;LANG=set:de_DE.UTF-8")
endif()
