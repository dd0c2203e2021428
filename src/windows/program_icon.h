#pragma once

#include <QImage>

// The program's 32 x 32 icon: an eye on the watch, with a red light for the alarm. Drawn rather
// than shipped, so every window and every build has the same one.
QImage program_icon();
