#pragma once

// The program's look on this desktop: the fonts the windows name (with the nearest fonts this
// machine has standing in for them), the default window font, the style and the icon.
void apply_desktop_look();
