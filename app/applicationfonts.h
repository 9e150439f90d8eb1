#pragma once

// The layout asks for Tahoma (the display labels, bold) and Small Fonts (the flow options).
// Where the system has none, the free faces that Wine's font package ships are loaded for
// this program. Call it once a QGuiApplication exists.
void loadApplicationFonts();
