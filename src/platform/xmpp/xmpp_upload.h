#pragma once

#include <QDomElement>
#include <QNetworkAccessManager>
#include <QString>
#include <functional>
#include <vector>

// Puts a file on the server's HTTP upload service (XEP-0363): finds the service through
// service discovery, asks it for a slot with the file's name, size and type, then PUTs the file
// unchanged with the slot's headers. The answer is the URL to download it from, or why not.
class XmppUpload {
  public:
    // Sends an IQ and hands its answer (a null element after a timeout) to the callback.
    using AskIq = std::function<void(const QString& to, const QString& type,
                                     const std::function<void(class QXmlStreamWriter&)>& content,
                                     std::function<void(const QDomElement& reply)> answer)>;
    using Done = std::function<void(const QString& url, const QString& problem)>;

    XmppUpload(AskIq ask, QString domain, QString ca_file);

    void upload(const QString& path, Done done);
    // A new stream may reach a server whose services changed.
    void forget_service() {
        service_.clear();
        searched_ = false;
    }

  private:
    void find_service(std::function<void()> then);
    void ask_items(std::function<void()> then);
    void ask_info(const QString& jid, std::function<void(bool offers)> answer);
    void request_slot(const QString& path, Done done);
    void put(const QString& path, const QDomElement& slot, Done done);

    AskIq ask_;
    QString domain_;
    QString service_;
    bool searched_ = false;
    std::vector<std::function<void()>> waiting_for_service_;
    QNetworkAccessManager network_;
};
