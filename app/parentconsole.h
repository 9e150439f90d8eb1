#pragma once

// A Windows window program has no console of its own: started from a command prompt, it
// would print its answers to --help and --version into nothing. This joins the prompt's
// console for them, unless the output already goes to a file or a pipe. Elsewhere the
// standard streams are the terminal's already, and this does nothing.
#ifdef _WIN32
void attachToParentConsole();
#else
inline void attachToParentConsole() { }
#endif
