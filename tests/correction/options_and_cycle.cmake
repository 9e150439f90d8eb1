# The rules of an attempt and the option texts, the options panel and the correction cycle.
valtora_add_test(NAME test_correctionrules SOURCES test_correctionrules.cpp TIMEOUT 30)
valtora_add_test(NAME test_optionspanel SOURCES test_optionspanel.cpp GUI TIMEOUT 30)
valtora_add_test(NAME test_correctioncycle SOURCES test_correctioncycle.cpp TIMEOUT 60)
