#include "processguard.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/auxv.h>
#include <sys/capability.h>
#include <vector>

extern char **environ;

namespace ProcessGuard {

namespace {

// Families of variables that name folders or files of code or of data parsed by native
// code: Qt's plugin and import paths, the GTK and GIO modules a platform theme may pull in,
// the graphics drivers' search paths, font configuration. glibc itself already drops its
// own (LD_PRELOAD, LD_LIBRARY_PATH, GCONV_PATH...) for such a program.
const char *const kRemovedPrefixes[] = {
    "QT_",    "QML", "GTK",    "GDK_",  "GIO_",        "LIBGL_",        "__EGL_",
    "__GLX_", "VK_", "LIBVA_", "MESA_", "FONTCONFIG_", "XDG_DATA_DIRS",
};

// Qt variables that only choose between the system's own plugins or set sizes; they stay,
// so the program still starts the way the user's desktop expects.
const char *const kKeptVariables[] = {
    "QT_QPA_PLATFORM",
    "QT_SCALE_FACTOR",
    "QT_SCREEN_SCALE_FACTORS",
    "QT_ENABLE_HIGHDPI_SCALING",
    "QT_FONT_DPI",
    "QT_AUTO_SCREEN_SCALE_FACTOR",
    "QT_ACCESSIBILITY",
    "QT_LINUX_ACCESSIBILITY_ALWAYS_ON",
};

bool startsWith(const std::string &text, const char *prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool isRemoved(const std::string &name)
{
    for (const char *kept : kKeptVariables) {
        if (name == kept) {
            return false;
        }
    }
    for (const char *prefix : kRemovedPrefixes) {
        if (startsWith(name, prefix)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool isSecureMode()
{
    return getauxval(AT_SECURE) != 0;
}

void removeCodeLoadingVariables()
{
    if (!isSecureMode()) {
        return;
    }
    // Names first, then removal: unsetenv changes the table being walked.
    std::vector<std::string> names;
    for (char **entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string assignment(*entry);
        const std::string name = assignment.substr(0, assignment.find('='));
        if (isRemoved(name)) {
            names.push_back(name);
        }
    }
    for (const std::string &name : names) {
        unsetenv(name.c_str());
    }
}

void keepOnlyTheClockRight()
{
    cap_t current = cap_get_proc();
    if (current == nullptr) {
        return;
    }
    cap_flag_value_t permitted = CAP_CLEAR;
    cap_get_flag(current, CAP_SYS_TIME, CAP_PERMITTED, &permitted);
    cap_free(current);

    cap_t kept = cap_init(); // every set empty
    if (kept == nullptr) {
        return;
    }
    if (permitted == CAP_SET) {
        const cap_value_t clockRight[] = { CAP_SYS_TIME };
        cap_set_flag(kept, CAP_PERMITTED, 1, clockRight, CAP_SET);
    }
    // Failing leaves the process as it was; nothing better can be done before Qt starts.
    cap_set_proc(kept);
    cap_free(kept);
}

} // namespace ProcessGuard
