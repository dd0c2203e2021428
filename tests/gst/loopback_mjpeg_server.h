#pragma once

#include <QByteArray>
#include <QFile>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <vector>

// A network camera on loopback as many are made: HTTP, one JPEG picture after another in a
// multipart reply, every 50 ms. `stall()` stops the pictures and keeps the connection open,
// as a camera that hangs does. It serves from a thread of its own, as the camera's opening
// waits for it.
class LoopbackMjpegServer {
  public:
    explicit LoopbackMjpegServer(QByteArray jpeg) : jpeg_(std::move(jpeg)) {
        server_.listen(QHostAddress::LocalHost);
        server_.moveToThread(&thread_);
        timer_.moveToThread(&thread_);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* client = server_.nextPendingConnection()) {
                client->write(
                    "HTTP/1.0 200 OK\r\n"
                    "Content-Type: multipart/x-mixed-replace; boundary=picture\r\n\r\n");
                clients_.emplace_back(client);
            }
        });
        QObject::connect(&timer_, &QTimer::timeout, &server_, [this] { send_picture(); });
        timer_.setInterval(50);
        QObject::connect(&thread_, &QThread::started, &timer_, qOverload<>(&QTimer::start));
        thread_.start();
    }
    ~LoopbackMjpegServer() {
        thread_.quit();
        thread_.wait();
        for (const QPointer<QTcpSocket>& client : clients_) delete client.data();
    }

    QString url() const {
        return QStringLiteral("http://127.0.0.1:%1/video.mjpg").arg(server_.serverPort());
    }
    void stall() { QMetaObject::invokeMethod(&timer_, qOverload<>(&QTimer::stop)); }

  private:
    void send_picture() {
        const QByteArray part = "--picture\r\nContent-Type: image/jpeg\r\nContent-Length: " +
                                QByteArray::number(jpeg_.size()) + "\r\n\r\n" + jpeg_ + "\r\n";
        for (const QPointer<QTcpSocket>& client : clients_)
            if (client) client->write(part);
    }

    QByteArray jpeg_;
    QThread thread_;
    QTcpServer server_;
    QTimer timer_;
    std::vector<QPointer<QTcpSocket>> clients_;
};
