#pragma once

// The display labels ask for Tahoma. Where the system has none, the free Tahoma that Wine's
// font package ships is loaded for this program.
void loadApplicationFonts();
