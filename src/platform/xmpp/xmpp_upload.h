#pragma once

#include <QDomElement>
#include <QObject>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>
#include <vector>

#include "platform/xmpp/xmpp_outbox.h"

class QNetworkAccessManager;

// Puts a file on the server's HTTP upload service (XEP-0363): finds the service through
// service discovery, asks it for a slot with the file's name, size and type, then PUTs the file
// (unchanged, or sealed for end-to-end encryption) with the slot's headers. The answer is the URL
// to download it from, or why not.
//
// The transfer runs on a thread of its own, so that it goes on while the program holds its
// thread in a blocking wait; its outcome comes back to the calling thread, where everything else
// of the upload happens: through the event loop, or earlier through take_results().
class XmppUpload : public XmppOutbox::Uploader {
  public:
    // Sends an IQ and hands its answer (a null element after a timeout) to the callback.
    using AskIq = std::function<void(const QString& to, const QString& type,
                                     const std::function<void(class QXmlStreamWriter&)>& content,
                                     std::function<void(const QDomElement& reply)> answer)>;

    XmppUpload(AskIq ask, QString domain, QString ca_file);
    ~XmppUpload() override;

    void upload(const QString& path, const Seal& seal, Done done) override;
    void abandon() override;
    // A new stream may reach a server whose services changed.
    void forget_service() {
        service_.clear();
        searched_ = false;
    }
    // Hands over the transfers that have ended since the last call.
    void take_results();

    struct Results;  // ended transfers, handed from the transfer thread

  private:
    void find_service(std::function<void()> then);
    void ask_items(std::function<void()> then);
    void ask_info(const QString& jid, std::function<void(bool offers, bool answered)> answer);
    void request_slot(const QString& path, const Seal& seal, Done done);
    void put(const QByteArray& data, const QString& type, const QDomElement& slot, Done done);
    // An answer meant for an abandoned upload is dropped.
    std::function<void(const QDomElement&)> current(std::function<void(const QDomElement&)> answer);

    AskIq ask_;
    QString domain_;
    QString service_;
    bool searched_ = false;
    bool service_answered_ = false;
    std::vector<std::function<void()>> waiting_for_service_;
    std::shared_ptr<quint64> generation_ = std::make_shared<quint64>(0);
    QObject here_;  // results are handed over on this thread's loop
    std::shared_ptr<Results> results_;
    QThread thread_;
    QNetworkAccessManager* network_ = nullptr;  // lives on thread_
};
