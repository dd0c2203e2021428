#pragma once

#include <functional>

#include "app/frm_testing.h"
#include "desktop/messenger_account_dialog.h"
#include "desktop/model_view.h"

class Program;
class QMenuBar;

// The main window on screen: the camera picture that takes the rectangle drag, the graph, the
// last snapshot, the detection buttons and status, the alarm options, the call target, the
// sensitivity and the menus.
class MainView : public ModelView<frmTesting> {
  public:
    explicit MainView(Program& program);

    PictureView* Picture3() const { return picture3_; }
    // Where File > Messenger Account... keeps the account.
    // `in_use`: the running program's link is that account, so a change is a restart away.
    // `identity` gives the machine's encryption device, shown in the dialog.
    void set_account_file(const QString& path, bool in_use,
                          std::function<MessengerAccountDialog::Identity()> identity = {}) {
        account_file_ = path;
        account_in_use_ = in_use;
        identity_ = std::move(identity);
    }

  private:
    void build_menus(QMenuBar* bar);
    void build_pictures(QWidget* frame);
    void build_controls(QWidget* frame);

    PictureView* picture3_ = nullptr;
    QString account_file_;
    bool account_in_use_ = false;
    std::function<MessengerAccountDialog::Identity()> identity_;
};
