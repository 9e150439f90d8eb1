#pragma once

// Where Qt may load plugins from in a program started with a right the user does not have.
// Qt also looks in the program's own folder and obeys a qt.conf placed there; a copy given a
// file capability by hand may lie in a folder its user can write, so that code of the user's
// choosing would run with the right. Such a program uses only Qt's own plugin folders.
namespace PluginFolders {

// Before the application object exists.
void keepToSystemFolders(bool secureMode);

// Right after the application object was made.
void checkAfterStart(bool secureMode);

} // namespace PluginFolders
