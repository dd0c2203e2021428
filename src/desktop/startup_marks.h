#pragma once

#include <QString>

class Desktop;

// For bench/desktop_start.sh: with VQ_BENCH_MARKS set, the desktop prints on standard output
// the wall-clock time (ms since the epoch) at which the start-up window is first painted, at
// which "Start Video Quelm" is pressed (by itself, shortly after), and at which the camera
// picture is first painted with a frame.
class StartupMarks {
  public:
    static bool wanted();
    static void watch(Desktop& desktop);

  private:
    static void print(const QString& mark);
};
