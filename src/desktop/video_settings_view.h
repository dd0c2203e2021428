#pragma once

#include <QDialog>
#include <vector>

class Program;
class QFormLayout;
class QLabel;
class QWidget;
class VideoSettingsDialog;
struct CameraControl;

// "Video Settings" on screen: one row per control of the device (a slider with its number, a
// check box or a menu), "Defaults" and "Close". Modal, like the format dialog.
class VideoSettingsView : public QDialog {
  public:
    explicit VideoSettingsView(Program& program);

    void refresh();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    VideoSettingsDialog* model() const;
    void rebuild(const VideoSettingsDialog& m);
    QWidget* editor_for(const CameraControl& control);
    void post(void (*handler)(VideoSettingsDialog&, unsigned, int), unsigned id = 0, int value = 0);

    Program& program_;
    QWidget* rows_;
    QFormLayout* rows_layout_;
    QLabel* empty_note_;
    std::vector<unsigned> shown_ids_;
};
