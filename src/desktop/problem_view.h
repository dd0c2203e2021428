#pragma once

#include "desktop/model_view.h"
#include "windows/problem.h"

class Program;

// The problem window on screen: one wrapped message and "OK".
class ProblemView : public ModelView<Problem> {
  public:
    explicit ProblemView(Program& program);
};
