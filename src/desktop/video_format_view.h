#pragma once

#include <QDialog>

class Program;
class QComboBox;
class QLabel;
class VideoFormatDialog;

// "Video Format" on screen: the device and its mode in two lists, OK and Cancel. Modal, as
// the program goes on only once the user is done with the camera.
class VideoFormatView : public QDialog {
  public:
    explicit VideoFormatView(Program& program);

    void refresh();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    VideoFormatDialog* model() const;
    void fill_devices(const VideoFormatDialog& model);
    void fill_modes(const VideoFormatDialog& model);
    void act(void (*handler)(VideoFormatDialog&, int), int value = 0);

    Program& program_;
    QComboBox* devices_;
    QComboBox* modes_;
    QLabel* note_;
};
