# The options panel, and the rules of an attempt with the correction cycle.
valtora_add_test(NAME test_optionspanel SOURCES test_optionspanel.cpp GUI TIMEOUT 30)
valtora_add_test(NAME test_correctioncycle SOURCES test_correctioncycle.cpp TIMEOUT 60)
