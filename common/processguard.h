#pragma once

// Limits what a program that holds the right to set the clock lets other code do with it.
// Plain C++ against the operating system, one source per platform, so it runs before Qt is
// even started.
namespace ProcessGuard {

// Whether the program was started with a right the user does not have (a file capability):
// then no code or configuration of the user's choosing may reach it.
bool isSecureMode();

// Where the program was started with a right the user does not have (a file capability),
// removes the environment variables that make Qt and the libraries beneath it load code
// from folders of the user's choosing; the program would run that code with the right.
// Does nothing for a program started normally. Call it first thing in main, before Qt
// reads its environment.
void removeCodeLoadingVariables();

// Keeps only the right to set the clock, and that one held back (not in effect), so that no
// code runs with it except the clock-setting call, which raises it for itself alone.
void keepOnlyTheClockRight();

} // namespace ProcessGuard
