#include "desktop/owner_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "client/client_core.h"
#include "time/scheduler.h"

namespace {
constexpr int video_period_ms = 100;
}

OwnerWindow::OwnerWindow(ClientCore& client, Scheduler& scheduler)
    : client_(client), scheduler_(scheduler) {
    setObjectName("owner_window");
    setWindowTitle(QStringLiteral("%1 - chat and calls with %2")
                       .arg(client.options().owner, client.options().own_handle));
    chat_ = new QPlainTextEdit;
    chat_->setReadOnly(true);
    message_ = new QLineEdit;
    message_->setPlaceholderText(
        QStringLiteral("Type a command for the machine (help, status...)"));
    auto* send = new QPushButton(QStringLiteral("Send"));
    pictures_ = new QListWidget;
    pictures_->setViewMode(QListView::IconMode);
    pictures_->setIconSize(QSize(80, 60));
    pictures_->setMaximumHeight(100);
    video_ = new QLabel;
    video_->setFixedSize(320, 240);
    video_->setAlignment(Qt::AlignCenter);
    video_->setStyleSheet(QStringLiteral("background: black; color: white"));
    video_->setText(QStringLiteral("no video"));
    call_ = new QPushButton(QStringLiteral("Call the machine"));
    answer_ = new QPushButton(QStringLiteral("Answer"));
    hang_up_ = new QPushButton(QStringLiteral("Hang up"));
    call_state_ = new QLabel;

    auto* typing = new QHBoxLayout;
    typing->addWidget(message_);
    typing->addWidget(send);
    auto* calls = new QHBoxLayout;
    calls->addWidget(call_);
    calls->addWidget(answer_);
    calls->addWidget(hang_up_);
    auto* left = new QVBoxLayout;
    left->addWidget(chat_);
    left->addLayout(typing);
    left->addWidget(new QLabel(QStringLiteral("Pictures from the machine (click to view):")));
    left->addWidget(pictures_);
    auto* right = new QVBoxLayout;
    right->addWidget(video_);
    right->addWidget(call_state_);
    right->addLayout(calls);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    resize(760, 420);

    connect(send, &QPushButton::clicked, this, [this] { this->send(); });
    connect(message_, &QLineEdit::returnPressed, this, [this] { this->send(); });
    connect(call_, &QPushButton::clicked, this,
            [this] { scheduler_.post([this] { client_.call_machine(); }); });
    connect(answer_, &QPushButton::clicked, this,
            [this] { scheduler_.post([this] { client_.answer(); }); });
    connect(hang_up_, &QPushButton::clicked, this,
            [this] { scheduler_.post([this] { client_.hang_up(); }); });
    connect(pictures_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { show_picture(item->data(Qt::UserRole).toString()); });
    video_timer_ = new QTimer(this);
    video_timer_->setInterval(video_period_ms);
    connect(video_timer_, &QTimer::timeout, this, [this] { refresh(); });

    client_.on_contact_event = [this](const QString& who, const QString& event) {
        if (who == client_.options().owner) contact_event(event);
    };
    refresh();
}

void OwnerWindow::contact_event(const QString& event) {
    const QString machine = client_.options().own_handle;
    if (event.startsWith(QLatin1String("message: "))) {
        chat_->appendPlainText(machine + QStringLiteral(": ") + event.mid(9));
    } else if (event.startsWith(QLatin1String("file: "))) {
        const QString path = event.mid(6);
        chat_->appendPlainText(QStringLiteral("[picture received: %1]").arg(path));
        auto* item = new QListWidgetItem(QIcon(path), QString());
        item->setData(Qt::UserRole, path);
        item->setToolTip(path);
        pictures_->addItem(item);
    } else {
        chat_->appendPlainText(QStringLiteral("[%1]").arg(event));
    }
    refresh();
}

void OwnerWindow::send() {
    const QString text = message_->text();
    if (text.trimmed().isEmpty()) return;
    message_->clear();
    chat_->appendPlainText(client_.options().owner + QStringLiteral(": ") + text);
    scheduler_.post([this, text] { client_.say(text); });
}

void OwnerWindow::show_picture(const QString& path) {
    video_timer_->stop();
    video_->setPixmap(QPixmap(path).scaled(video_->size(), Qt::KeepAspectRatio));
}

// Who may do what follows the owner's current call; while it carries video the camera's
// picture is fetched a few times a second.
void OwnerWindow::refresh() {
    using Status = ClientCore::CallStatus;
    const ClientCore::Call* call = client_.current_call();
    const bool live = call && (call->status == Status::routing || call->status == Status::ringing ||
                               call->status == Status::inprogress);
    call_->setEnabled(!live);
    answer_->setEnabled(live && !call->incoming && call->status == Status::ringing);
    hang_up_->setEnabled(live);
    call_state_->setText(
        call ? QStringLiteral("Call %1: %2").arg(call->id, ClientCore::status_name(call->status))
             : QStringLiteral("No call"));
    const QImage frame = client_.video_frame();
    if (!frame.isNull()) {
        video_->setPixmap(QPixmap::fromImage(frame).scaled(video_->size(), Qt::KeepAspectRatio));
        if (!video_timer_->isActive()) video_timer_->start();
    } else if (video_timer_->isActive()) {
        video_timer_->stop();
        video_->setPixmap(QPixmap());
        video_->setText(QStringLiteral("no video"));
    }
}
