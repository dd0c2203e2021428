#pragma once

#include "desktop/model_view.h"
#include "windows/vq_eula.h"

class Program;
class QTextEdit;

// The document viewer on screen: a resizable window whose text box follows the model's place,
// size, wrap width and caret. The box shows a copy of the model's document, so the window never
// holds on to a document that goes away with a closed viewer.
class ViewerView : public ModelView<VQ_EULA> {
  public:
    explicit ViewerView(Program& program);
    QTextEdit* text_box() const { return text_box_; }

  private:
    void bind_text_box();

    QTextEdit* text_box_;
};
