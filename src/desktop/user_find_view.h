#pragma once

#include "desktop/model_view.h"
#include "windows/user_find.h"

class Program;
class QListWidget;

// The friend picker on screen: the list of user names; a click takes one as the call target.
class UserFindView : public ModelView<User_Find> {
  public:
    explicit UserFindView(Program& program);
    QListWidget* list() const { return list_; }

  private:
    QListWidget* list_;
};
