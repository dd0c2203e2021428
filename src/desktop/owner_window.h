#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class Scheduler;
class ClientCore;

// The owner's side of the simulated chat/call client: the chat with the machine, the pictures
// it sent, calling the machine, answering its calls, hanging up, and the camera's picture while
// a call carries video. What the owner does reaches the client as an event of the program.
class OwnerWindow : public QWidget {
  public:
    OwnerWindow(ClientCore& client, Scheduler& scheduler);

    QPlainTextEdit* chat() const { return chat_; }
    QListWidget* pictures() const { return pictures_; }
    QLabel* video() const { return video_; }

  private:
    void contact_event(const QString& event);
    void send();
    void refresh();
    void show_picture(const QString& path);

    ClientCore& client_;
    Scheduler& scheduler_;
    QPlainTextEdit* chat_;
    QLineEdit* message_;
    QListWidget* pictures_;
    QLabel* video_;
    QPushButton* call_;
    QPushButton* answer_;
    QPushButton* hang_up_;
    QLabel* call_state_;
    QTimer* video_timer_;
};
